#include "fenetre/fenetre.h"

#include "appli/appmsg.h"
#include "appli/instance.h"
#include "util/strings.h"

WNDPROC g_defWindowProc = DefWindowProcA;
PERIODE* g_premierePeriode = nullptr;

static LRESULT ParDefaut(const FEN_MSG* m) {
  return g_defWindowProc(m->hwnd, m->message, m->wParam, m->lParam);
}

// The application's consent; windows without an application may close.
static int ApplicationPermet() { return g_mainInstance ? g_mainInstance->CanClose() : 1; }

// ---------------------------------------------------------------- FENETRE

FENETRE::FENETRE(FEN_OBJ* proprio, const char* texte, HINSTANCE instance)
    : FEN_OBJ(proprio), hInstance(nullptr), principale(0) {
  hwnd = nullptr;
  hInstance = g_mainInstance ? g_mainInstance->hInstance : nullptr;
  style = 0x44C80000;  // WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU
  titre[0] = 0;
  StrCopyN(titre, texte, sizeof titre);
  if (instance) hInstance = instance;
}

FENETRE::~FENETRE() {
  // An object deleted while its window lives on (a child window object whose
  // owner went first) must not stay behind in the window's extra bytes: the
  // window falls back to default processing.
  if (hwnd && IsWindow(hwnd) && GetWindowLongPtrA(hwnd, 0) == (LONG_PTR)this)
    SetWindowLongPtrA(hwnd, 0, 0);
}

int FENETRE::Ferme() {
  if (!PeutFermer()) return 0;
  DestroyWindow(hwnd);
  return 1;
}

LRESULT CALLBACK FENETRE::PasseWndProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  FEN_MSG m = {h, message, wParam, lParam, 0, 0};
  FENETRE* objet = reinterpret_cast<FENETRE*>(GetWindowLongPtrA(h, 0));
  if (!objet) {
    FEN_OBJ* trouve = FEN_OBJ::TrouveFenObj(h);
    objet = dynamic_cast<FENETRE*>(trouve);
    if (!objet) return g_defWindowProc(h, message, wParam, lParam);
    SetWindowLongPtrA(h, 0, (LONG_PTR)objet);
  }
  return objet->TraiteMessage(&m);
}

LRESULT FENETRE::TraiteMessage(FEN_MSG* m) {
  switch (m->message) {
    case WM_PAINT: WmPaint(m); break;
    case WM_CLOSE: WmClose(m); break;
    case WM_DESTROY: WmDestroy(m); break;  // may delete this object
    case WM_TIMER: WmTimer(m); break;
    case WM_CREATE: WmCreate(m); break;
    case WM_SETFOCUS: WmSetFocus(m); break;
    case WM_KILLFOCUS: WmKillFocus(m); break;
    case WM_MOUSEMOVE: WmMouseMove(m); break;
    case WM_NCLBUTTONDOWN: WmNcLButtonDown(m); break;
    case WM_NCLBUTTONUP: WmNcLButtonUp(m); break;
    case WM_NCLBUTTONDBLCLK: WmNcLButtonDblClk(m); break;
    case WM_NCPAINT: WmNcPaint(m); break;
    case WM_LBUTTONDBLCLK: WmLButtonDblClk(m); break;
    case WM_LBUTTONDOWN: WmLButtonDown(m); break;
    case WM_LBUTTONUP: WmLButtonUp(m); break;
    case WM_RBUTTONDOWN: WmRButtonDown(m); break;
    case WM_RBUTTONUP: WmRButtonUp(m); break;
    case WM_KEYUP: WmKeyUp(m); break;
    case WM_KEYDOWN: WmKeyDown(m); break;
    case WM_CHAR: WmChar(m); break;
    case WM_HSCROLL: WmHScroll(m); break;
    case WM_VSCROLL: WmVScroll(m); break;
    case WM_SIZE: WmSize(m); break;
    case WM_MOVE: WmMove(m); break;
    case WM_COMMAND: WmCommand(m); break;
    case WM_SYSCOMMAND:
      m->parDefaut = 1;
      WmSysCommand(m);
      break;
    case WM_PARENTNOTIFY: WmParentNotify(m); break;
    case WM_CTLCOLOREDIT: WmCtlColorEdit(m); break;
    case WM_ACTIVATE: WmActivate(m); break;
    case WM_MENUCHAR: WmMenuChar(m); break;
    case WM_GETDLGCODE: WmGetDlgCode(m); break;
    case WM_SETFONT: WmSetFont(m); break;
    case WM_QUERYENDSESSION: WmQueryEndSession(m); break;
    case WM_DRAWITEM: WmDrawItem(m); break;
    case WM_MEASUREITEM: WmMeasureItem(m); break;
    default: WmAutre(m); break;
  }
  // From here on only the record: WmDestroy may have deleted the object.
  return m->parDefaut == 1 ? ParDefaut(m) : m->resultat;
}

void FENETRE::CopieTitre(FEN_MSG* m) {
  StrCopyN(titre, reinterpret_cast<const char*>(m->lParam), sizeof titre);
}

void FENETRE::WmPaint(FEN_MSG* m) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m->hwnd, &ps);
  Dessine(dc, &ps);
  EndPaint(m->hwnd, &ps);
}

void FENETRE::WmClose(FEN_MSG*) {
  // A running modal dialog of the tree must outlive its run: refuse.
  if (ArbreEnCours()) return;
  FermeArbre(1);
}

void FENETRE::WmDestroy(FEN_MSG*) {
  SetWindowLongPtrA(hwnd, 0, 0);
  hwnd = nullptr;
  delete this;
}

void FENETRE::WmTimer(FEN_MSG*) {}
void FENETRE::WmCreate(FEN_MSG*) {}
void FENETRE::WmSetFocus(FEN_MSG*) {}
void FENETRE::WmKillFocus(FEN_MSG*) {}
void FENETRE::WmMouseMove(FEN_MSG*) {}
void FENETRE::WmNcLButtonDown(FEN_MSG* m) { m->parDefaut = 1; }
void FENETRE::WmNcLButtonUp(FEN_MSG* m) { m->parDefaut = 1; }
void FENETRE::WmNcLButtonDblClk(FEN_MSG* m) { m->parDefaut = 1; }
void FENETRE::WmNcPaint(FEN_MSG* m) { m->parDefaut = 1; }
void FENETRE::WmLButtonDblClk(FEN_MSG*) {}
void FENETRE::WmLButtonDown(FEN_MSG*) {}
void FENETRE::WmLButtonUp(FEN_MSG*) {}
void FENETRE::WmRButtonDown(FEN_MSG*) {}
void FENETRE::WmRButtonUp(FEN_MSG*) {}
void FENETRE::WmKeyUp(FEN_MSG*) {}
void FENETRE::WmKeyDown(FEN_MSG*) {}
void FENETRE::WmChar(FEN_MSG*) {}

void FENETRE::WmHScroll(FEN_MSG* m) {
  int position = (int)HIWORD(m->wParam);
  HWND barre = reinterpret_cast<HWND>(m->lParam);
  switch (LOWORD(m->wParam)) {
    case SB_LINELEFT: HScrollLineLeft(position); break;
    case SB_LINERIGHT: HScrollLineRight(position); break;
    case SB_PAGELEFT: HScrollPageLeft(position); break;
    case SB_PAGERIGHT: HScrollPageRight(position); break;
    case SB_THUMBPOSITION: HScrollThumbPosition(position, barre); break;
    case SB_THUMBTRACK: HScrollThumbTrack(position, barre); break;
    default: break;
  }
}

void FENETRE::WmVScroll(FEN_MSG* m) {
  int position = (int)HIWORD(m->wParam);
  HWND barre = reinterpret_cast<HWND>(m->lParam);
  switch (LOWORD(m->wParam)) {
    case SB_LINEUP: VScrollLineUp(position); break;
    case SB_LINEDOWN: VScrollLineDown(position); break;
    case SB_PAGEUP: VScrollPageUp(position); break;
    case SB_PAGEDOWN: VScrollPageDown(position); break;
    case SB_THUMBPOSITION: VScrollThumbPosition(position, barre); break;
    case SB_THUMBTRACK: VScrollThumbTrack(position, barre); break;
    default: break;
  }
}

void FENETRE::HScrollLineLeft(int) {}
void FENETRE::HScrollLineRight(int) {}
void FENETRE::HScrollPageLeft(int) {}
void FENETRE::HScrollPageRight(int) {}
void FENETRE::HScrollThumbTrack(int, HWND) {}
void FENETRE::HScrollThumbPosition(int, HWND) {}
void FENETRE::VScrollLineUp(int) {}
void FENETRE::VScrollLineDown(int) {}
void FENETRE::VScrollPageUp(int) {}
void FENETRE::VScrollPageDown(int) {}
void FENETRE::VScrollThumbTrack(int, HWND) {}
void FENETRE::VScrollThumbPosition(int, HWND) {}
void FENETRE::WmSize(FEN_MSG*) {}
void FENETRE::WmMove(FEN_MSG*) {}

void FENETRE::WmCommand(FEN_MSG* m) {
  if (!OffreCommande(m)) Commande(m);
}

void FENETRE::Commande(FEN_MSG*) {}
void FENETRE::WmSysCommand(FEN_MSG*) {}
void FENETRE::WmParentNotify(FEN_MSG*) {}
void FENETRE::WmCtlColorEdit(FEN_MSG* m) { m->parDefaut = 1; }
void FENETRE::WmActivate(FEN_MSG*) {}
void FENETRE::WmMenuChar(FEN_MSG* m) { m->resultat = 0; }
void FENETRE::WmGetDlgCode(FEN_MSG*) {}
void FENETRE::WmSetFont(FEN_MSG*) {}

void FENETRE::WmQueryEndSession(FEN_MSG* m) {
  if (!ApplicationPermet()) return;
  if (ArbreEnCours()) return;  // as for WM_CLOSE
  if (FermeArbre(1)) m->resultat = 1;
}

void FENETRE::WmAutre(FEN_MSG* m) { m->parDefaut = 1; }
void FENETRE::ApresCreation() {}
void FENETRE::Dessine(HDC, PAINTSTRUCT*) {}

HWND FENETRE::Cree() {
  if (hwnd) return nullptr;
  hwnd = CreateWindowExA(0, principale == 1 ? "OW_MAIN" : "OW_CHILD", titre, style, x, y,
                         largeur, hauteur, hwndParent, reinterpret_cast<HMENU>((INT_PTR)id),
                         hInstance, param);
  ApresCreation();
  return hwnd;
}

const char* FENETRE::TexteFermeture() { return "&Fermeture"; }

// ---------------------------------------------------------------- MAIN_FENETRE

MAIN_FENETRE::MAIN_FENETRE(const char* texte) : FENETRE(nullptr, texte, nullptr) {
  style = 0x00CF0000;  // WS_OVERLAPPEDWINDOW
  principale = 1;
}

MAIN_FENETRE::~MAIN_FENETRE() { LiberePalette(); }

LRESULT MAIN_FENETRE::TraiteMessage(FEN_MSG* m) {
  if (DispatchRegistered(m)) return m->resultat;
  return FENETRE::TraiteMessage(m);
}

void MAIN_FENETRE::WmClose(FEN_MSG* m) {
  if (!ApplicationPermet()) return;
  FENETRE::WmClose(m);
}

void MAIN_FENETRE::WmDestroy(FEN_MSG*) {
  AvantQuitter();
  PostQuitMessage(0);
  // The application deletes this object once its message loop has ended.
  SetWindowLongPtrA(hwnd, 0, 0);
}

void MAIN_FENETRE::AvantQuitter() {}

// ---------------------------------------------------------------- classes

int EnregistreClasses(HINSTANCE instance) {
  WNDCLASSA c = {};
  c.style = CS_DBLCLKS;
  c.lpfnWndProc = FENETRE::PasseWndProc;
  c.cbClsExtra = 0;
  c.cbWndExtra = sizeof(LONG_PTR);
  c.hInstance = instance;
  c.hIcon = PALETTE::IconeFille;
  c.hCursor = PALETTE::Curseur;
  c.hbrBackground = reinterpret_cast<HBRUSH>(PALETTE::FondFille);
  c.lpszMenuName = nullptr;
  c.lpszClassName = "OW_CHILD";
  if (!RegisterClassA(&c)) return 0;
  c.style = 0;
  c.hIcon = PALETTE::IconePrincipale;
  c.hbrBackground = reinterpret_cast<HBRUSH>(PALETTE::FondPrincipale);
  c.lpszClassName = "OW_MAIN";
  return RegisterClassA(&c) ? 1 : 0;
}

// ---------------------------------------------------------------- PERIODE

// Periodic objects join the list when constructed and leave it when destroyed.
PERIODE::PERIODE(int p) : suivant(g_premierePeriode), periode(p), compteur(p) {
  g_premierePeriode = this;
}

PERIODE::~PERIODE() {
  for (PERIODE** lien = &g_premierePeriode; *lien; lien = &(*lien)->suivant) {
    if (*lien == this) {
      *lien = suivant;
      break;
    }
  }
}

void PERIODE::Periode(FEN_MSG*) {}

void CALLBACK PERIODE::TimerProc(HWND h, UINT message, UINT_PTR id, DWORD temps) {
  FEN_MSG m = {h, message, (WPARAM)id, (LPARAM)temps, 0, 0};
  for (PERIODE* p = g_premierePeriode; p; p = p->suivant) {
    if (--p->compteur <= 0) {
      p->compteur = p->periode;
      p->Periode(&m);
    }
  }
}
