// Modal dialogs run from the template of dialog_test.rc on the test display.
// Each dialog drives itself: its WmInitDialog posts what the test wants, and a
// watchdog timer ends a run that would otherwise hang.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "appli/instance.h"
#include "fenetre/dialog.h"
#include "fenetre/fenetre.h"
#include "tests/native/log_recorder.h"

#include "tests/win/journal.h"

namespace {

class Application : public MAIN_INSTANCE {
 public:
  Application() : MAIN_INSTANCE(GetModuleHandleA(nullptr)) {}
};

class Environnement : public ::testing::Environment {
 public:
  void SetUp() override {
    new Application;
    EnregistreClasses(GetModuleHandleA(nullptr));
  }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new Environnement);

const UINT_PTR GARDE = 0x6A7D;  // watchdog timer id
const int HORS_DELAI = -99;
const UINT_PTR MINUTEE = 0x6A7E;  // a short timer that ends the run with -5
const int FIN_MINUTEE = -5;

using Action = void (*)(HWND dialogue);

#define ESPION(nom)               \
  void nom(FEN_MSG* m) override { \
    g_journal.push_back(#nom);    \
    M_DIALOG::nom(m);             \
  }

class Essai : public M_DIALOG {
 public:
  explicit Essai(FEN_OBJ* proprio = nullptr, const char* gabarit = "TEST_DLG")
      : M_DIALOG(proprio, gabarit) {}
  ~Essai() override { g_journal.push_back("~Essai"); }

  void WmInitDialog(FEN_MSG* m) override {
    g_journal.push_back("WmInitDialog");
    M_DIALOG::WmInitDialog(m);
    SetTimer(hwnd, GARDE, 5000, nullptr);
    if (action) action(hwnd);
  }
  void WmTimer(FEN_MSG* m) override {
    if (m->wParam == GARDE || m->wParam == MINUTEE) {
      Termine(m->wParam == GARDE ? HORS_DELAI : FIN_MINUTEE);
      return;
    }
    g_journal.push_back("WmTimer");
  }
  ESPION(Ok)
  ESPION(Annule)
  ESPION(WmCommand)
  ESPION(Commande)
  ESPION(WmSysCommand)
  ESPION(WmClose)
  ESPION(WmMouseMove)
  ESPION(WmLButtonDblClk)
  ESPION(WmLButtonDown)
  ESPION(WmLButtonUp)
  ESPION(WmRButtonDown)
  ESPION(WmRButtonUp)
  ESPION(WmKeyUp)
  ESPION(WmKeyDown)
  ESPION(WmChar)
  ESPION(WmSize)
  ESPION(WmMove)
  ESPION(WmDrawItem)
  void WmAutre(FEN_MSG* m) override {
    if (journalAutre) g_journal.push_back("WmAutre");
    M_DIALOG::WmAutre(m);
  }
  void AvantFin(int r) override { g_journal.push_back("AvantFin:" + std::to_string(r)); }

  Action action = nullptr;
  bool journalAutre = false;
};

// ---------------------------------------------------------------- ending

struct Fin {
  const char* nom;
  Action action;
  int resultatOk;
  int attendu;
};

HWND Bouton(HWND d, int id) { return GetDlgItem(d, id); }

const Fin FINS[] = {
    {"OK button", [](HWND d) { PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)Bouton(d, IDOK)); }, 1, 1},
    {"OK with its own result", [](HWND d) { PostMessageA(d, WM_COMMAND, IDOK, 0); }, 7, 7},
    {"Enter", [](HWND d) { PostMessageA(d, WM_KEYDOWN, VK_RETURN, 0); }, 1, 1},
    {"Escape", [](HWND d) { PostMessageA(d, WM_KEYDOWN, VK_ESCAPE, 0); }, 1, 0},
    {"Cancel button", [](HWND d) { PostMessageA(Bouton(d, IDCANCEL), BM_CLICK, 0, 0); }, 1, 0},
    {"WM_CLOSE", [](HWND d) { PostMessageA(d, WM_CLOSE, 0, 0); }, 1, 0},
    {"other command, then OK",
     [](HWND d) {
       PostMessageA(d, WM_COMMAND, 100, 0);
       PostMessageA(d, WM_COMMAND, IDOK, 0);
     },
     1, 1},
};

TEST(Dialogue, EndedByOkEnterEscapeCancelAndClose) {
  for (const Fin& f : FINS) {
    SCOPED_TRACE(f.nom);
    g_journal.clear();
    Essai* d = new Essai;
    d->action = f.action;
    d->resultatOk = f.resultatOk;
    EXPECT_EQ(d->hwnd, nullptr);
    int r = d->Execute();
    EXPECT_EQ(r, f.attendu);
    EXPECT_EQ(g_journal.front(), "WmInitDialog");
    EXPECT_EQ(g_journal.back(), "AvantFin:" + std::to_string(f.attendu));
    // The object outlives its window and keeps the handle.
    ASSERT_NE(d->hwnd, nullptr);
    ASSERT_NE(d->hwnd, HWND_EN_ATTENTE);
    EXPECT_FALSE(IsWindow(d->hwnd));
    if (f.action == FINS[6].action) {
      EXPECT_NE(Journal().find("WmCommand Commande WmCommand Ok"), std::string::npos) << Journal();
    }
    EXPECT_EQ(ExecuteDialogue(nullptr, 1), 0);
    delete d;
  }
}

TEST(Dialogue, ExecuteDialogueDeletesOnlyWhenAsked) {
  for (int detruire : {0, 1}) {
    g_journal.clear();
    Essai* d = new Essai;
    d->action = [](HWND h) { PostMessageA(h, WM_COMMAND, IDOK, 0); };
    EXPECT_EQ(ExecuteDialogue(d, detruire), 1);
    EXPECT_EQ(g_journal.back() == "~Essai", detruire == 1);
    if (!detruire) delete d;
  }
}

TEST(Dialogue, OkRefusedByTheTreeKeepsTheDialogOpen) {
  class Refus : public FEN_OBJ {
   public:
    using FEN_OBJ::FEN_OBJ;
    int PeutFermer() override { return permet; }
    int permet = 0;
  };
  g_journal.clear();
  Essai* d = new Essai;
  Refus* fils = new Refus(d);
  d->action = [](HWND h) {
    PostMessageA(h, WM_COMMAND, IDOK, 0);
    SetTimer(h, MINUTEE, 200, nullptr);
  };
  d->resultatOk = 3;
  // The timer ends the run: OK was refused.
  EXPECT_EQ(d->Execute(), FIN_MINUTEE);
  EXPECT_NE(Journal().find("WmCommand Ok"), std::string::npos);
  fils->permet = 1;
  delete d;
}

// ---------------------------------------------------------------- routing

struct Route {
  UINT message;
  WPARAM wParam;
  const char* gestionnaires;
  LRESULT resultat;  // RESULT_FOND / RESULT_CONTROLE stand for the brushes
};
const LRESULT RESULT_FOND = -2, RESULT_CONTROLE = -3;

const Route ROUTES[] = {
    {WM_MOVE, 0, "WmMove", TRUE},
    {WM_SIZE, 0, "WmSize", TRUE},
    {WM_DRAWITEM, 0, "WmDrawItem", TRUE},
    {WM_KEYDOWN, VK_SPACE, "WmKeyDown", TRUE},
    {WM_KEYUP, VK_SPACE, "WmKeyUp", TRUE},
    {WM_CHAR, 'a', "WmChar", TRUE},
    {WM_COMMAND, 100, "WmCommand Commande", TRUE},
    {WM_SYSCOMMAND, SC_KEYMENU, "WmSysCommand", FALSE},
    {WM_TIMER, 1, "WmTimer", TRUE},
    {WM_MOUSEMOVE, 0, "WmMouseMove", TRUE},
    {WM_LBUTTONDOWN, 0, "WmLButtonDown", TRUE},
    {WM_LBUTTONUP, 0, "WmLButtonUp", TRUE},
    {WM_LBUTTONDBLCLK, 0, "WmLButtonDblClk", TRUE},
    {WM_RBUTTONDOWN, 0, "WmRButtonDown", TRUE},
    {WM_RBUTTONUP, 0, "WmRButtonUp", TRUE},
    {WM_INITDIALOG, 0, "WmInitDialog", TRUE},
    {WM_CTLCOLOREDIT, 0, "", FALSE},
    {0x0134, 0, "", RESULT_CONTROLE},
    {WM_CTLCOLORBTN, 0, "", RESULT_CONTROLE},
    {WM_CTLCOLORSTATIC, 0, "", RESULT_CONTROLE},
    {WM_CTLCOLORDLG, 0, "", RESULT_FOND},
    {WM_CTLCOLORSCROLLBAR, 0, "WmAutre", FALSE},
    {WM_SETFONT, 0, "WmAutre", FALSE},
    {WM_USER + 1, 0, "WmAutre", FALSE},
};

// Sends the table through the dialog procedure while the dialog runs.
class Routage : public Essai {
 public:
  void WmInitDialog(FEN_MSG* m) override {
    Essai::WmInitDialog(m);
    if (enTable) return;
    enTable = true;
    HDC dc = CreateCompatibleDC(nullptr);
    for (const Route& r : ROUTES) {
      g_journal.clear();
      journalAutre = true;
      WPARAM w = (r.message >= WM_CTLCOLORMSGBOX && r.message <= WM_CTLCOLORSTATIC)
                     ? reinterpret_cast<WPARAM>(dc)
                     : r.wParam;
      INT_PTR res = PasseDlgProc(hwnd, r.message, w, 0);
      journalAutre = false;
      LRESULT attendu = r.resultat == RESULT_FOND       ? (LRESULT)PinceauFond
                        : r.resultat == RESULT_CONTROLE ? (LRESULT)PinceauControle
                                                        : r.resultat;
      resultats.push_back(std::string(r.gestionnaires) + "=" + std::to_string(attendu));
      vus.push_back(Journal() + "=" + std::to_string(res));
    }
    DeleteDC(dc);
    Termine(5);
  }
  bool enTable = false;
  std::vector<std::string> resultats, vus;
};

TEST(Dialogue, RoutingTable) {
  g_journal.clear();
  Routage* d = new Routage;
  EXPECT_EQ(d->Execute(), 5);
  ASSERT_EQ(d->vus.size(), sizeof ROUTES / sizeof ROUTES[0]);
  for (size_t i = 0; i < d->vus.size(); ++i) EXPECT_EQ(d->vus[i], d->resultats[i]);
  delete d;
}

TEST(Dialogue, MessagesBeforeInitDialogReachNoHandler) {
  g_journal.clear();
  Essai* d = new Essai;
  d->journalAutre = true;  // WM_SETFONT would show here had it been routed
  d->action = [](HWND h) { PostMessageA(h, WM_COMMAND, IDOK, 0); };
  EXPECT_EQ(d->Execute(), 1);
  EXPECT_EQ(g_journal.front(), "WmInitDialog");
  delete d;
  // A window that no dialog object holds gets FALSE, whatever the message.
  HWND autre = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               nullptr, nullptr);
  EXPECT_EQ(M_DIALOG::PasseDlgProc(autre, WM_SETFONT, 0, 0), 0);
  EXPECT_EQ(M_DIALOG::PasseDlgProc(autre, WM_COMMAND, IDOK, 0), 0);
  DestroyWindow(autre);
}

TEST(Dialogue, ControlColoursLeaveBlackUnset) {
  struct Cas {
    COLORREF texte, fond;
    COLORREF texteVu, fondVu;
  } cas[] = {
      {0x123456, 0x654321, 0x123456, 0x654321},
      {0, 0x654321, 0x0000AA, 0x654321},  // black text counts as not set
      {0x123456, 0, 0x123456, 0x00BB00},
  };
  COLORREF texte = PALETTE::CouleurTexte, fond = PALETTE::CouleurFondTexte;
  M_DIALOG d(nullptr, "TEST_DLG");
  HDC dc = CreateCompatibleDC(nullptr);
  for (const Cas& k : cas) {
    for (UINT msg : {0x0134u, (UINT)WM_CTLCOLORBTN, (UINT)WM_CTLCOLORSTATIC}) {
      PALETTE::CouleurTexte = k.texte;
      PALETTE::CouleurFondTexte = k.fond;
      SetTextColor(dc, 0x0000AA);
      SetBkColor(dc, 0x00BB00);
      FEN_MSG m = {nullptr, msg, reinterpret_cast<WPARAM>(dc), 0, 1, 0};
      EXPECT_EQ(d.TraiteDialogue(&m), (INT_PTR)PALETTE::PinceauControle);
      EXPECT_EQ(GetTextColor(dc), k.texteVu) << msg;
      EXPECT_EQ(GetBkColor(dc), k.fondVu) << msg;
    }
  }
  DeleteDC(dc);
  PALETTE::CouleurTexte = texte;
  PALETTE::CouleurFondTexte = fond;
}

// ---------------------------------------------------------------- failure

TEST(Dialogue, MissingTemplateReportsOnceOnChannels67And0) {
  LogRecorder journal({67, 0, 69});
  g_journal.clear();
  Essai* d = new Essai(nullptr, "GABARIT_ABSENT");
  EXPECT_EQ(ExecuteDialogue(d, 1), -1);
  EXPECT_EQ(Journal(), "~Essai");  // no handler ran
  ASSERT_EQ(journal.reports.size(), 2u);
  EXPECT_EQ(journal.reports[0].first, 67);
  EXPECT_EQ(journal.reports[1].first, 0);
  const std::string& texte = journal.reports[0].second;
  EXPECT_EQ(texte.rfind("Erreur ProcessDialog ", 0), 0u) << texte;
  EXPECT_GT(std::stoi(texte.substr(21)), 0) << texte;
  EXPECT_EQ(journal.reports[1].second, texte);
}

// ---------------------------------------------------------------- centring

TEST(Dialogue, CentreOnTheScreen) {
  struct Cas {
    int l, h, dx, dy;
  } cas[] = {{300, 200, 0, 0}, {301, 201, 0, 0}, {300, 200, 10, -20}, {1100, 900, 0, 0}};
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  for (const Cas& k : cas) {
    M_DIALOG d(nullptr, "TEST_DLG");
    d.hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 5, 5, k.l, k.h, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_NE(d.hwnd, nullptr);
    d.Centre(k.dx, k.dy);
    RECT r;
    GetWindowRect(d.hwnd, &r);
    EXPECT_EQ(r.left, k.dx + (cx - k.l) / 2) << k.l;
    EXPECT_EQ(r.top, k.dy + (cy - k.h) / 2) << k.h;
    EXPECT_EQ(r.right - r.left, k.l);
    if (cx == 1024 && cy == 768 && k.l == 300 && k.dx == 0) {
      EXPECT_EQ(r.left, 362);
      EXPECT_EQ(r.top, 284);
    }
    DestroyWindow(d.hwnd);
  }
}

// ---------------------------------------------------------------- closing

class Temoin : public FEN_OBJ {
 public:
  using FEN_OBJ::FEN_OBJ;
  ~Temoin() override { g_journal.push_back("~Temoin"); }
};

MAIN_FENETRE* g_principale;

// While the dialog runs, its owner's window refuses to close, and a newer
// sibling is not closed either.
class Fermeture : public Essai {
 public:
  using Essai::Essai;
  void WmInitDialog(FEN_MSG* m) override {
    Essai::WmInitDialog(m);
    HWND h = g_principale->hwnd;
    SendMessageA(h, WM_CLOSE, 0, 0);
    apresClose = IsWindow(h) != 0;
    reponseSession = SendMessageA(h, WM_QUERYENDSESSION, 0, 0);
    apresSession = IsWindow(h) != 0;
    journalMessages = Journal();
    // Called directly, the tree closes the newer sibling, then stops at the
    // running dialog.
    arbre = g_principale->FermeArbre(1);
    Termine(1);
  }
  bool apresClose = false, apresSession = false;
  LRESULT reponseSession = -1;
  int arbre = -1;
  std::string journalMessages;
};

TEST(Dialogue, CloseRefusedWhileADialogRuns) {
  g_principale = new MAIN_FENETRE("principale");
  ASSERT_NE(g_principale->Cree(), nullptr);
  HWND h = g_principale->hwnd;
  g_journal.clear();
  Fermeture* d = new Fermeture(g_principale);
  new Temoin(g_principale);
  EXPECT_EQ(d->hwndParent, h);
  EXPECT_EQ(d->EnCours(), 0);
  EXPECT_EQ(d->Execute(), 1);
  EXPECT_TRUE(d->apresClose);
  EXPECT_EQ(d->reponseSession, 0);
  EXPECT_TRUE(d->apresSession);
  EXPECT_EQ(d->arbre, 0);
  EXPECT_EQ(d->EnCours(), 0);
  EXPECT_EQ(d->journalMessages, "WmInitDialog");
  EXPECT_EQ(Journal(), "WmInitDialog ~Temoin AvantFin:1");
  delete d;
  EXPECT_TRUE(IsWindow(h));
  // Once the run is over the same close goes through.
  new Temoin(g_principale);
  g_journal.clear();
  SendMessageA(h, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(Journal(), "~Temoin");
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  delete g_principale;
}

}  // namespace
