// Object model of the window framework: owner trees with a two-step close
// protocol, and the registry that maps window handles to their objects.
#pragma once
#include <windows.h>

#include "fenetre/palette.h"

// The record handed to every window, dialog and registered-message handler.
struct FEN_MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  LRESULT resultat;  // value returned to the system
  BYTE parDefaut;    // 1 after the handler: default processing wanted
};

class O_TYPE {
 public:
  int numeroType = 0;
};

class OBJET : public virtual O_TYPE {
 public:
  explicit OBJET(OBJET* proprietaire, int automatique = 0);
  virtual int PeutFermer();
  virtual ~OBJET();
  virtual int Ferme();
  virtual int FermeArbre(int fermer);
  virtual int AccepteId(int id);
  virtual void DonneNom(int, char* tampon, int taille);
  virtual int EstApres(OBJET* autre);
  // 1 while the object runs something that must not be deleted under it
  // (a modal dialog inside its run).
  virtual int EnCours();
  // 1 when this object or any object of its subtree is EnCours().
  int ArbreEnCours();

  int automatique;
  OBJET* proprietaire;
  OBJET* premierFils;     // newest child
  OBJET* dernierFils;     // oldest child
  OBJET* frereSuivant;    // towards the oldest
  OBJET* frerePrecedent;  // towards the newest

  OBJET(const OBJET&) = delete;
  OBJET& operator=(const OBJET&) = delete;

 protected:
  void AttacheAuProprietaire();
  void DetacheDuProprietaire();
  void DetruitFils();
};

// An object that is not on the heap and carries a name; Ferme never deletes it.
class AUTO_OBJET : public OBJET {
 public:
  AUTO_OBJET(OBJET* proprietaire, const char* nom);
  void DonneNom(int, char* tampon, int taille) override;
  char nom[80];
};

// Creation attributes of a window.
class FEN_ATTRIB {
 public:
  DWORD style = 0x00CF0000;  // WS_OVERLAPPEDWINDOW
  DWORD exStyle = 0;
  int x = (int)0x80000000;   // CW_USEDEFAULT
  int y = (int)0x80000000;
  int largeur = (int)0x80000000;
  int hauteur = (int)0x80000000;
  int id = 0;
  void* param = nullptr;
};

// hwnd of a dialog whose run has started but whose first message has not come.
#define HWND_EN_ATTENTE ((HWND)(LONG_PTR)-1)

class FEN_OBJ : public OBJET, public PALETTE, public FEN_ATTRIB {
 public:
  explicit FEN_OBJ(FEN_OBJ* proprietaire);
  ~FEN_OBJ() override;
  int AccepteId(int id) override;
  virtual int EstDialogue();
  virtual void WmMeasureItem(FEN_MSG* message);
  virtual void WmDrawItem(FEN_MSG* message);
  virtual void CommandeFils(FEN_MSG* message);

  // Offers a WM_COMMAND to the children, oldest first; 1 when one took it.
  int OffreCommande(FEN_MSG* message);
  // Message box owned by this object's window; a null text shows the last one again.
  int ShowMessage(const char* texte, UINT type);

  static FEN_OBJ* TrouveFenObj(HWND h);

  FEN_OBJ* inscritAvant;  // registered just before (older)
  FEN_OBJ* inscritApres;  // registered just after (newer)
  HWND hwnd;
  HWND hwndParent;

 protected:
  void Inscrit();
  void Desinscrit();
};

// Registry ends, process-wide.
extern FEN_OBJ* g_inscritPlusRecent;
extern FEN_OBJ* g_inscritPlusAncien;

// Process-wide text of ShowMessage.
extern char g_texteMessage[256];

// The named static object built first at start-up.
extern AUTO_OBJET g_groupeDesBmps;
