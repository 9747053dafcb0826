// The confirmation and extraction dialogs, both from the template "AUTO_KPX".
#pragma once

#include "archive/resarchive.h"
#include "fenetre/dialog.h"
#include "installer/extract.h"

enum {
  ID_TEXTE_DIALOGUE = 20,      // the centred text of the template
  COMMANDE_EXTRACTION = 100,   // posted by the extraction dialog to itself
};

class KPX_DLG : public M_DIALOG {
 public:
  KPX_DLG(FEN_OBJ* proprietaire, const char* ligneCommande, const char* texteConfirmation);
  ~KPX_DLG() override;
  void WmInitDialog(FEN_MSG* message) override;

  // 1 when the command line field asks for confirmation without the user.
  int ConfirmeSeul() const;

  char ligneCommande[256];       // the first 255 characters of the stub's command line
  char texteConfirmation[512];
};

class CtExtractDlg : public M_DIALOG, public CtExtraction {
 public:
  CtExtractDlg(FEN_OBJ* proprietaire, char* directory, int directoryCapacity,
               CtResArchive* archive);
  ~CtExtractDlg() override;
  void WmInitDialog(FEN_MSG* message) override;
  void Commande(FEN_MSG* message) override;
};
