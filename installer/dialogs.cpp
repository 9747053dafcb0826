#include "installer/dialogs.h"

#include <windows.h>

#include "util/strings.h"

KPX_DLG::KPX_DLG(FEN_OBJ* proprietaire, const char* ligne, const char* texte)
    : M_DIALOG(proprietaire, "AUTO_KPX") {
  StrCopyN(texteConfirmation, texte, sizeof texteConfirmation);
  ligneCommande[0] = 0;
  if (ligne) StrCopyN(ligneCommande, ligne, sizeof ligneCommande);
}

KPX_DLG::~KPX_DLG() {}

int KPX_DLG::ConfirmeSeul() const {
  return FindText(ligneCommande, "auto=1", FIND_EXACT, 0) != 0;
}

void KPX_DLG::WmInitDialog(FEN_MSG*) {
  Centre(0, 0);
  SetWindowTextA(GetDlgItem(hwnd, ID_TEXTE_DIALOGUE), texteConfirmation);
  // Pressed once the modal loop runs, exactly as a click on "OK".
  if (ConfirmeSeul()) PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
}

CtExtractDlg::CtExtractDlg(FEN_OBJ* proprietaire, char* directory, int directoryCapacity,
                           CtResArchive* archive)
    : M_DIALOG(proprietaire, "AUTO_KPX"), CtExtraction(directory, directoryCapacity, archive) {}

CtExtractDlg::~CtExtractDlg() {}

void CtExtractDlg::WmInitDialog(FEN_MSG*) {
  Centre(0, 0);
  ShowWindow(GetDlgItem(hwnd, IDOK), SW_HIDE);
  ShowWindow(GetDlgItem(hwnd, IDCANCEL), SW_HIDE);
  SetWindowTextA(GetDlgItem(hwnd, ID_TEXTE_DIALOGUE), "... pr\xE9" "paration de l'installation ...");
  // The extraction runs from the modal loop, once the dialog is on screen.
  PostMessageA(hwnd, WM_COMMAND, COMMANDE_EXTRACTION, 0);
}

void CtExtractDlg::Commande(FEN_MSG* message) {
  if (LOWORD(message->wParam) != COMMANDE_EXTRACTION) return;
  // Nothing is painted while the extraction holds the thread: draw the dialog
  // now, or the user looks at an empty frame for the whole extraction.
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EndDialog(hwnd, ExtractAll() != 0 ? 1 : 0);
}
