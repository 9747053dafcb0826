#include "fenetre/dialog.h"

#include <prsht.h>

#include "appli/instance.h"
#include "util/format.h"
#include "util/log.h"
#include "util/strings.h"

enum { CANAL_DIALOGUE = 67, CTLCOLOR_LISTE = 0x0134 };

M_DIALOG::M_DIALOG(FEN_OBJ* proprio, const char* nom)
    : FEN_OBJ(proprio), resultatOk(1), enExecution(0) {
  gabarit[0] = 0;
  StrCopyN(gabarit, nom, sizeof gabarit);
}

M_DIALOG::~M_DIALOG() {}

int M_DIALOG::EstDialogue() { return 1; }

// Deleting the object inside its own run would leave DialogBoxParamA and
// ExecuteDialogue with a dead object: a running dialog refuses to be closed
// this way (it ends through Termine).
int M_DIALOG::Ferme() {
  if (enExecution) return 0;
  return FEN_OBJ::Ferme();
}

int M_DIALOG::EnCours() { return enExecution; }

int M_DIALOG::Execute() {
  enExecution = 1;
  hwnd = HWND_EN_ATTENTE;
  INT_PTR r = DialogBoxParamA(g_mainInstance ? g_mainInstance->hInstance : nullptr, gabarit,
                              hwndParent, PasseDlgProc, reinterpret_cast<LPARAM>(this));
  if (hwnd == HWND_EN_ATTENTE) {
    // WM_INITDIALOG never came: the template is missing or not creatable.
    FormatText(g_reportBuffer, sizeof g_reportBuffer, "Erreur ProcessDialog %d",
               (int)GetLastError());
    LogReport(CANAL_DIALOGUE, g_reportBuffer);
  }
  enExecution = 0;
  return (int)r;
}

int ExecuteDialogue(M_DIALOG* dialogue, int detruire) {
  if (!dialogue) return 0;
  int r = dialogue->Execute();
  if (detruire) delete dialogue;
  return r;
}

void M_DIALOG::Termine(int r) {
  AvantFin(r);
  EndDialog(hwnd, r);
}

void M_DIALOG::Centre(int dx, int dy) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  int w = rc.right - rc.left;
  int h = rc.bottom - rc.top;
  int px = dx + (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
  int py = dy + (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  SetWindowPos(hwnd, nullptr, px, py, 0, 0, SWP_NOZORDER | SWP_NOSIZE);
}

static M_DIALOG* DialogueInscrit(HWND h) {
  FEN_OBJ* o = FEN_OBJ::TrouveFenObj(h);
  return o && o->EstDialogue() == 1 ? dynamic_cast<M_DIALOG*>(o) : nullptr;
}

INT_PTR CALLBACK M_DIALOG::PasseDlgProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  FEN_MSG m = {h, message, wParam, lParam, 1, 0};
  M_DIALOG* d = DialogueInscrit(h);
  if (!d) {
    if (message != WM_INITDIALOG || !lParam) return 0;
    d = reinterpret_cast<M_DIALOG*>(lParam);
    d->hwnd = h;
  }
  return d->TraiteDialogue(&m);
}

INT_PTR CALLBACK M_DIALOG::PasseSheetDlgProc(HWND h, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
  FEN_MSG m = {h, message, wParam, lParam, 1, 0};
  M_DIALOG* d = DialogueInscrit(h);
  if (!d) {
    if (message != WM_INITDIALOG || !lParam) return 0;
    const PROPSHEETPAGEA* page = reinterpret_cast<const PROPSHEETPAGEA*>(lParam);
    d = reinterpret_cast<M_DIALOG*>(page->lParam);
    if (!d) return 0;
    d->hwnd = h;
  }
  return d->TraiteDialogue(&m);
}

INT_PTR M_DIALOG::TraiteDialogue(FEN_MSG* m) {
  switch (m->message) {
    case WM_MOVE: WmMove(m); break;
    case WM_SIZE: WmSize(m); break;
    case WM_CLOSE: WmClose(m); break;
    case WM_DRAWITEM: WmDrawItem(m); break;
    case WM_KEYDOWN: WmKeyDown(m); break;
    case WM_KEYUP: WmKeyUp(m); break;
    case WM_CHAR: WmChar(m); break;
    case WM_INITDIALOG: WmInitDialog(m); break;
    case WM_COMMAND: WmCommand(m); break;
    case WM_SYSCOMMAND:
      m->resultat = 0;
      m->parDefaut = 1;
      WmSysCommand(m);
      break;
    case WM_TIMER: WmTimer(m); break;
    case WM_CTLCOLOREDIT: m->resultat = 0; break;
    case CTLCOLOR_LISTE:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC: m->resultat = CouleursControle(reinterpret_cast<HDC>(m->wParam)); break;
    case WM_CTLCOLORDLG: m->resultat = reinterpret_cast<LRESULT>(PinceauFond); break;
    case WM_MOUSEMOVE: WmMouseMove(m); break;
    case WM_LBUTTONDOWN: WmLButtonDown(m); break;
    case WM_LBUTTONUP: WmLButtonUp(m); break;
    case WM_LBUTTONDBLCLK: WmLButtonDblClk(m); break;
    case WM_RBUTTONDOWN: WmRButtonDown(m); break;
    case WM_RBUTTONUP: WmRButtonUp(m); break;
    default: WmAutre(m); break;
  }
  return (INT_PTR)m->resultat;
}

void M_DIALOG::Ok(FEN_MSG*) {
  if (FermeArbre(0)) Termine(resultatOk);
}

void M_DIALOG::Annule(FEN_MSG*) { Termine(0); }

void M_DIALOG::WmCommand(FEN_MSG* m) {
  switch (LOWORD(m->wParam)) {
    case IDOK: Ok(m); break;
    case IDCANCEL: Annule(m); break;
    default:
      if (!OffreCommande(m)) Commande(m);
      break;
  }
}

void M_DIALOG::Commande(FEN_MSG*) {}
void M_DIALOG::WmSysCommand(FEN_MSG*) {}
void M_DIALOG::WmInitDialog(FEN_MSG*) {}
void M_DIALOG::WmClose(FEN_MSG* m) { Annule(m); }
void M_DIALOG::WmTimer(FEN_MSG*) {}
void M_DIALOG::WmMouseMove(FEN_MSG*) {}
void M_DIALOG::WmLButtonDblClk(FEN_MSG*) {}
void M_DIALOG::WmLButtonDown(FEN_MSG*) {}
void M_DIALOG::WmLButtonUp(FEN_MSG*) {}
void M_DIALOG::WmRButtonDown(FEN_MSG*) {}
void M_DIALOG::WmRButtonUp(FEN_MSG*) {}
void M_DIALOG::WmKeyUp(FEN_MSG*) {}
void M_DIALOG::WmKeyDown(FEN_MSG*) {}
void M_DIALOG::WmChar(FEN_MSG*) {}
void M_DIALOG::WmSize(FEN_MSG*) {}
void M_DIALOG::WmMove(FEN_MSG*) {}
void M_DIALOG::WmAutre(FEN_MSG* m) { m->resultat = 0; }
void M_DIALOG::AvantFin(int) {}
