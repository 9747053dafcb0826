// Object trees, the window-object registry, and the windows' message routing,
// with real windows on the test display.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "appli/appmsg.h"
#include "appli/instance.h"
#include "fenetre/fenetre.h"
#include "fenetre/objet.h"

#include "tests/win/journal.h"

namespace {

// ---------------------------------------------------------------- trees

class Noeud : public OBJET {
 public:
  Noeud(OBJET* proprio, const char* n, int permet = 1) : OBJET(proprio), nom(n), permet(permet) {}
  ~Noeud() override { g_journal.push_back("~" + nom); }
  int PeutFermer() override {
    g_journal.push_back("?" + nom);
    return permet;
  }
  std::string nom;
  int permet;
};

struct Arbre {
  Noeud* racine = new Noeud(nullptr, "R");
  Noeud* a = new Noeud(racine, "A");
  Noeud* b = new Noeud(racine, "B");
  Noeud* c = new Noeud(racine, "C");
  Arbre() { g_journal.clear(); }
};

TEST(Arbre, ThreeChildrenLinkNewestFirst) {
  Arbre t;
  EXPECT_EQ(t.racine->premierFils, t.c);
  EXPECT_EQ(t.racine->dernierFils, t.a);
  EXPECT_EQ(t.c->frereSuivant, t.b);
  EXPECT_EQ(t.b->frereSuivant, t.a);
  EXPECT_EQ(t.a->frereSuivant, nullptr);
  EXPECT_EQ(t.a->frerePrecedent, t.b);
  EXPECT_EQ(t.b->frerePrecedent, t.c);
  EXPECT_EQ(t.c->frerePrecedent, nullptr);
  EXPECT_EQ(t.racine->frereSuivant, nullptr);
  // The owner's own destructor body runs first, then its children go,
  // newest first.
  delete t.racine;
  EXPECT_EQ(Journal(), "~R ~C ~B ~A");
}

TEST(Arbre, AskingTheTreeVisitsChildrenFirstAndClosesNothing) {
  Arbre t;
  EXPECT_EQ(t.racine->FermeArbre(0), 1);
  EXPECT_EQ(Journal(), "?C ?B ?A ?R");
  EXPECT_EQ(t.racine->premierFils, t.c);
  g_journal.clear();
  delete t.racine;
  EXPECT_EQ(Journal(), "~R ~C ~B ~A");
}

TEST(Arbre, RefusingChildStopsTheClose) {
  struct Cas {
    int fermer;
    const char* journal;
  } cas[] = {
      // C is closed before B refuses; A is never asked; the owner stays.
      {1, "?C ~C ?B"},
      {0, "?C ?B"},
  };
  for (const Cas& k : cas) {
    Arbre t;
    t.b->permet = 0;
    EXPECT_EQ(t.racine->FermeArbre(k.fermer), 0) << k.fermer;
    EXPECT_EQ(Journal(), k.journal) << k.fermer;
    if (k.fermer) {
      EXPECT_EQ(t.racine->premierFils, t.b);
      EXPECT_EQ(t.b->frerePrecedent, nullptr);
    }
    g_journal.clear();
    delete t.racine;
    EXPECT_EQ(Journal(), k.fermer ? "~R ~B ~A" : "~R ~C ~B ~A");
  }
}

TEST(Arbre, ClosingAllDeletesChildrenThenTheObject) {
  Arbre t;
  EXPECT_EQ(t.racine->FermeArbre(1), 1);
  EXPECT_EQ(Journal(), "?C ~C ?B ~B ?A ~A ?R ~R");
}

TEST(Arbre, MiddleChildUnlinksBothWays) {
  Arbre t;
  delete t.b;
  EXPECT_EQ(t.c->frereSuivant, t.a);
  EXPECT_EQ(t.a->frerePrecedent, t.c);
  delete t.a;
  EXPECT_EQ(t.racine->dernierFils, t.c);
  EXPECT_EQ(t.c->frereSuivant, nullptr);
  delete t.c;
  EXPECT_EQ(t.racine->premierFils, nullptr);
  EXPECT_EQ(t.racine->dernierFils, nullptr);
  delete t.racine;
}

class AutoTemoin : public AUTO_OBJET {
 public:
  explicit AutoTemoin(const char* n) : AUTO_OBJET(nullptr, n) {}
  ~AutoTemoin() override { g_journal.push_back("~auto"); }
};

TEST(Arbre, AutoObjectClosesWithoutBeingDeletedAndKeeps79Characters) {
  g_journal.clear();
  std::string longNom(100, 'x');
  AutoTemoin o(longNom.c_str());
  EXPECT_EQ(o.Ferme(), 1);
  EXPECT_EQ(Journal(), "");
  char tampon[128];
  o.DonneNom(0, tampon, sizeof tampon);
  EXPECT_EQ(std::string(tampon), std::string(79, 'x'));
  o.DonneNom(0, tampon, 5);
  EXPECT_STREQ(tampon, "xxxx");
  EXPECT_EQ(o.automatique, 1);
}

TEST(Arbre, StaticNamedObjectAndDefaultName) {
  char tampon[80];
  g_groupeDesBmps.DonneNom(0, tampon, sizeof tampon);
  EXPECT_STREQ(tampon, "Groupe des BMPs");
  Noeud n(nullptr, "n");
  n.numeroType = 4711;
  char nombre[11];
  n.DonneNom(0, nombre, 0);
  EXPECT_STREQ(nombre, "4711");
}

// ---------------------------------------------------------------- commands

class Fils : public FEN_OBJ {
 public:
  Fils(FEN_OBJ* proprio, const char* n, int idFils) : FEN_OBJ(proprio), nom(n) { id = idFils; }
  void CommandeFils(FEN_MSG*) override { g_journal.push_back(nom); }
  std::string nom;
};

TEST(Commandes, OfferedToChildrenOldestFirst) {
  struct Cas {
    int idA, idB, idC;
    WPARAM wParam;
    int pris;
    const char* recu;
  } cas[] = {
      {5, 5, 5, 5, 1, "A"},
      {1, 2, 7, 7, 1, "C"},
      {1, 7, 7, MAKEWPARAM(7, BN_CLICKED), 1, "B"},  // the high word is not the id
      {0, 0, 0, 0, 1, "A"},                          // the default id 0 claims 0
      {1, 2, 3, 9, 0, ""},
  };
  for (const Cas& k : cas) {
    FEN_OBJ racine(nullptr);
    new Fils(&racine, "A", k.idA);
    new Fils(&racine, "B", k.idB);
    new Fils(&racine, "C", k.idC);
    g_journal.clear();
    FEN_MSG m = {nullptr, WM_COMMAND, k.wParam, 0, 0, 0};
    EXPECT_EQ(racine.OffreCommande(&m), k.pris) << k.wParam;
    EXPECT_EQ(Journal(), k.recu) << k.wParam;
  }
}

// ---------------------------------------------------------------- registry

class Enregistre : public FEN_OBJ {
 public:
  explicit Enregistre(FEN_OBJ* proprio, HWND h = nullptr) : FEN_OBJ(proprio) { hwnd = h; }
  ~Enregistre() override {
    // A child sees its owner already gone from the registry.
    if (proprietaire)
      g_journal.push_back(
          TrouveFenObj(static_cast<FEN_OBJ*>(proprietaire)->hwnd) ? "owner found" : "owner gone");
  }
};

TEST(Registre, DuplicatedHandleFindsTheNewest) {
  HWND h = reinterpret_cast<HWND>(0x1234);
  FEN_OBJ* avant = g_inscritPlusRecent;
  Enregistre* ancien = new Enregistre(nullptr, h);
  Enregistre* recent = new Enregistre(nullptr, h);
  EXPECT_EQ(g_inscritPlusRecent, recent);
  EXPECT_EQ(recent->inscritAvant, ancien);
  EXPECT_EQ(ancien->inscritApres, recent);
  EXPECT_EQ(FEN_OBJ::TrouveFenObj(h), recent);
  EXPECT_EQ(FEN_OBJ::TrouveFenObj(reinterpret_cast<HWND>(0x4321)), nullptr);
  delete recent;
  EXPECT_EQ(FEN_OBJ::TrouveFenObj(h), ancien);
  EXPECT_EQ(ancien->inscritApres, nullptr);
  delete ancien;
  EXPECT_EQ(FEN_OBJ::TrouveFenObj(h), nullptr);
  EXPECT_EQ(g_inscritPlusRecent, avant);
}

TEST(Registre, OldestAndMiddleLeaveCleanly) {
  FEN_OBJ* avant = g_inscritPlusRecent;
  Enregistre* x = new Enregistre(nullptr, reinterpret_cast<HWND>(0x10));
  Enregistre* y = new Enregistre(nullptr, reinterpret_cast<HWND>(0x20));
  Enregistre* z = new Enregistre(nullptr, reinterpret_cast<HWND>(0x30));
  delete y;
  EXPECT_EQ(z->inscritAvant, x);
  EXPECT_EQ(x->inscritApres, z);
  EXPECT_EQ(FEN_OBJ::TrouveFenObj(reinterpret_cast<HWND>(0x10)), x);
  delete x;
  EXPECT_EQ(z->inscritAvant, avant);
  delete z;
  EXPECT_EQ(g_inscritPlusRecent, avant);
  if (!avant) {
    EXPECT_EQ(g_inscritPlusAncien, nullptr);
  }
}

TEST(Registre, OwnerLeavesBeforeItsChildren) {
  Enregistre* proprio = new Enregistre(nullptr, reinterpret_cast<HWND>(0x77));
  Enregistre* fils = new Enregistre(proprio);
  EXPECT_EQ(fils->hwndParent, reinterpret_cast<HWND>(0x77));
  g_journal.clear();
  delete proprio;
  EXPECT_EQ(Journal(), "owner gone");
}

// ---------------------------------------------------------------- windows

// Default processing goes through this recorder while a test intercepts it.
std::vector<UINT> g_parDefaut;
bool g_intercepte = false;
const LRESULT DEFAUT = 0x5EED;

LRESULT CALLBACK DefautEspion(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (!g_intercepte) return DefWindowProcA(h, msg, w, l);
  g_parDefaut.push_back(msg);
  return DEFAUT;
}

bool DefautVu(UINT msg) {
  for (UINT m : g_parDefaut)
    if (m == msg) return true;
  return false;
}

class Application : public MAIN_INSTANCE {
 public:
  Application() : MAIN_INSTANCE(GetModuleHandleA(nullptr)) {}
  int CanClose() override { return permet; }
  int permet = 1;
};

Application* g_app;

class Environnement : public ::testing::Environment {
 public:
  void SetUp() override {
    g_app = new Application;
    g_defWindowProc = DefautEspion;
    ASSERT_EQ(EnregistreClasses(GetModuleHandleA(nullptr)), 1);
  }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new Environnement);

#define ESPION(nom)                 \
  void nom(FEN_MSG* m) override {   \
    g_journal.push_back(#nom);      \
    FENETRE::nom(m);                \
  }
#define ESPION_POS(nom)                                     \
  void nom(int p) override {                                \
    g_journal.push_back(#nom ":" + std::to_string(p));      \
  }
#define ESPION_BARRE(nom)                                                     \
  void nom(int p, HWND b) override {                                          \
    g_journal.push_back(#nom ":" + std::to_string(p) +                        \
                        (b == reinterpret_cast<HWND>(0xBA) ? ",bar" : ",?")); \
  }

class Espion : public FENETRE {
 public:
  Espion(FEN_OBJ* proprio = nullptr) : FENETRE(proprio, "espion", nullptr) {
    style = proprio ? WS_CHILD : WS_OVERLAPPED;
  }
  ~Espion() override { g_journal.push_back("~Espion"); }
  int PeutFermer() override { return permet; }
  ESPION(WmPaint)
  ESPION(WmTimer)
  ESPION(WmCreate)
  ESPION(WmSetFocus)
  ESPION(WmKillFocus)
  ESPION(WmMouseMove)
  ESPION(WmNcLButtonDown)
  ESPION(WmNcLButtonUp)
  ESPION(WmNcLButtonDblClk)
  ESPION(WmNcPaint)
  ESPION(WmLButtonDblClk)
  ESPION(WmLButtonDown)
  ESPION(WmLButtonUp)
  ESPION(WmRButtonDown)
  ESPION(WmRButtonUp)
  ESPION(WmKeyUp)
  ESPION(WmKeyDown)
  ESPION(WmChar)
  ESPION(WmHScroll)
  ESPION(WmVScroll)
  ESPION(WmSize)
  ESPION(WmMove)
  ESPION(WmCommand)
  ESPION(Commande)
  ESPION(WmParentNotify)
  ESPION(WmCtlColorEdit)
  ESPION(WmActivate)
  ESPION(WmMenuChar)
  ESPION(WmGetDlgCode)
  ESPION(WmSetFont)
  ESPION(WmAutre)
  ESPION(WmMeasureItem)
  ESPION(WmDrawItem)
  ESPION_POS(HScrollLineLeft)
  ESPION_POS(HScrollLineRight)
  ESPION_POS(HScrollPageLeft)
  ESPION_POS(HScrollPageRight)
  ESPION_BARRE(HScrollThumbTrack)
  ESPION_BARRE(HScrollThumbPosition)
  ESPION_POS(VScrollLineUp)
  ESPION_POS(VScrollLineDown)
  ESPION_POS(VScrollPageUp)
  ESPION_POS(VScrollPageDown)
  ESPION_BARRE(VScrollThumbTrack)
  ESPION_BARRE(VScrollThumbPosition)
  void WmSysCommand(FEN_MSG* m) override {
    g_journal.push_back("WmSysCommand");
    if (effaceDefaut) m->parDefaut = 0;
  }
  void Dessine(HDC dc, PAINTSTRUCT* ps) override {
    g_journal.push_back(dc && ps && ps->hdc == dc ? "Dessine" : "Dessine?");
  }
  void ApresCreation() override { g_journal.push_back(hwnd ? "ApresCreation" : "ApresCreation:0"); }
  int permet = 1;
  int effaceDefaut = 0;
};

struct Route {
  UINT message;
  WPARAM wParam;
  const char* gestionnaires;
  bool parDefaut;
};

const Route ROUTES[] = {
    {WM_PAINT, 0, "WmPaint Dessine", false},
    {WM_TIMER, 1, "WmTimer", false},
    {WM_CREATE, 0, "WmCreate", false},
    {WM_SETFOCUS, 0, "WmSetFocus", false},
    {WM_KILLFOCUS, 0, "WmKillFocus", false},
    {WM_MOUSEMOVE, 0, "WmMouseMove", false},
    {WM_NCLBUTTONDOWN, HTCLIENT, "WmNcLButtonDown", true},
    {WM_NCLBUTTONUP, HTCLIENT, "WmNcLButtonUp", true},
    {WM_NCLBUTTONDBLCLK, HTCLIENT, "WmNcLButtonDblClk", true},
    {WM_NCPAINT, 1, "WmNcPaint", true},
    {WM_LBUTTONDBLCLK, 0, "WmLButtonDblClk", false},
    {WM_LBUTTONDOWN, 0, "WmLButtonDown", false},
    {WM_LBUTTONUP, 0, "WmLButtonUp", false},
    {WM_RBUTTONDOWN, 0, "WmRButtonDown", false},
    {WM_RBUTTONUP, 0, "WmRButtonUp", false},
    {WM_KEYUP, VK_SPACE, "WmKeyUp", false},
    {WM_KEYDOWN, VK_SPACE, "WmKeyDown", false},
    {WM_CHAR, 'a', "WmChar", false},
    {WM_HSCROLL, MAKEWPARAM(SB_LINELEFT, 3), "WmHScroll HScrollLineLeft:3", false},
    {WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 4), "WmHScroll HScrollLineRight:4", false},
    {WM_HSCROLL, MAKEWPARAM(SB_PAGELEFT, 5), "WmHScroll HScrollPageLeft:5", false},
    {WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 6), "WmHScroll HScrollPageRight:6", false},
    {WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 65520), "WmHScroll HScrollThumbPosition:65520,bar",
     false},
    {WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 8), "WmHScroll HScrollThumbTrack:8,bar", false},
    {WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 8), "WmHScroll", false},
    {WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 1), "WmVScroll VScrollLineUp:1", false},
    {WM_VSCROLL, MAKEWPARAM(SB_LINEDOWN, 2), "WmVScroll VScrollLineDown:2", false},
    {WM_VSCROLL, MAKEWPARAM(SB_PAGEUP, 3), "WmVScroll VScrollPageUp:3", false},
    {WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 4), "WmVScroll VScrollPageDown:4", false},
    {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 9), "WmVScroll VScrollThumbPosition:9,bar", false},
    {WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 65535), "WmVScroll VScrollThumbTrack:65535,bar", false},
    {WM_VSCROLL, MAKEWPARAM(SB_TOP, 1), "WmVScroll", false},
    {WM_SIZE, 0, "WmSize", false},
    {WM_MOVE, 0, "WmMove", false},
    {WM_COMMAND, 77, "WmCommand Commande", false},
    {WM_SYSCOMMAND, SC_KEYMENU, "WmSysCommand", true},
    {WM_PARENTNOTIFY, 0, "WmParentNotify", false},
    {WM_CTLCOLOREDIT, 0, "WmCtlColorEdit", true},
    {WM_ACTIVATE, WA_INACTIVE, "WmActivate", false},
    {WM_MENUCHAR, 'x', "WmMenuChar", false},
    {WM_GETDLGCODE, 0, "WmGetDlgCode", false},
    {WM_SETFONT, 0, "WmSetFont", false},
    {WM_DRAWITEM, 0, "WmDrawItem", false},
    {WM_MEASUREITEM, 0, "WmMeasureItem", false},
    {WM_CTLCOLORSTATIC, 0, "WmAutre", true},
    {WM_SHOWWINDOW, 0, "WmAutre", true},
    {WM_SETTEXT, 0, "WmAutre", true},
    {WM_USER + 5, 0, "WmAutre", true},
};

class Fenetres : public ::testing::Test {
 protected:
  void SetUp() override {
    g_journal.clear();
    g_app->permet = 1;
    // Quit messages left by main windows of earlier tests.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  void TearDown() override { g_intercepte = false; }
  static void Intercepte() {
    g_parDefaut.clear();
    g_journal.clear();
    g_intercepte = true;
  }
};

TEST_F(Fenetres, RoutingTable) {
  Espion* e = new Espion;
  ASSERT_NE(e->Cree(), nullptr);
  for (const Route& r : ROUTES) {
    Intercepte();
    LPARAM l = (r.message == WM_HSCROLL || r.message == WM_VSCROLL) ? 0xBA : 0;
    LRESULT res = SendMessageA(e->hwnd, r.message, r.wParam, l);
    g_intercepte = false;
    SCOPED_TRACE(r.gestionnaires);
    EXPECT_EQ(Journal(), r.gestionnaires);
    EXPECT_EQ(DefautVu(r.message), r.parDefaut);
    EXPECT_EQ(res, r.parDefaut ? DEFAUT : 0);
  }
  DestroyWindow(e->hwnd);
}

TEST_F(Fenetres, SysCommandHandlerMayRefuseDefaultProcessing) {
  Espion* e = new Espion;
  e->Cree();
  e->effaceDefaut = 1;
  Intercepte();
  EXPECT_EQ(SendMessageA(e->hwnd, WM_SYSCOMMAND, SC_KEYMENU, 0), 0);
  EXPECT_FALSE(DefautVu(WM_SYSCOMMAND));
  EXPECT_EQ(Journal(), "WmSysCommand");
  g_intercepte = false;
  DestroyWindow(e->hwnd);
}

TEST_F(Fenetres, CreationMessagesAreNotSeenAndExtraBytesCacheTheObject) {
  Espion* e = new Espion;
  HWND h = e->Cree();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(Journal(), "ApresCreation");  // no WmCreate
  EXPECT_EQ(e->Cree(), nullptr);          // already has a window
  // The first message after creation finds the object and caches it.
  SendMessageA(h, WM_USER, 0, 0);
  EXPECT_EQ(GetWindowLongPtrA(h, 0), reinterpret_cast<LONG_PTR>(e));
  g_journal.clear();
  DestroyWindow(h);
  EXPECT_EQ(Journal(), "~Espion");
}

TEST_F(Fenetres, FailedCreationStillCallsApresCreation) {
  Espion* e = new Espion;
  e->style = WS_CHILD;  // a child without a parent cannot be created
  EXPECT_EQ(e->Cree(), nullptr);
  EXPECT_EQ(e->hwnd, nullptr);
  EXPECT_EQ(Journal(), "ApresCreation:0");
  delete e;
}

TEST_F(Fenetres, TitleKeeps79Characters) {
  std::string titre(100, 'T');
  FENETRE* f = new FENETRE(nullptr, titre.c_str(), nullptr);
  f->style = WS_OVERLAPPED;
  ASSERT_NE(f->Cree(), nullptr);
  char lu[128] = {};
  GetWindowTextA(f->hwnd, lu, sizeof lu);
  EXPECT_EQ(std::string(lu), std::string(79, 'T'));
  EXPECT_EQ(f->hInstance, GetModuleHandleA(nullptr));
  EXPECT_EQ(f->style, (DWORD)WS_OVERLAPPED);
  DestroyWindow(f->hwnd);
}

TEST_F(Fenetres, CloseFollowsTheTree) {
  struct Cas {
    int permetFils;
    bool ferme;
  } cas[] = {{1, true}, {0, false}};
  for (const Cas& k : cas) {
    Espion* p = new Espion;
    p->Cree();
    Espion* f = new Espion(p);
    ASSERT_EQ(f->hwndParent, p->hwnd);
    ASSERT_NE(f->Cree(), nullptr);
    f->permet = k.permetFils;
    HWND hp = p->hwnd, hf = f->hwnd;
    g_journal.clear();
    EXPECT_EQ(SendMessageA(hp, WM_CLOSE, 0, 0), 0);
    EXPECT_EQ(IsWindow(hp) != 0, !k.ferme);
    EXPECT_EQ(IsWindow(hf) != 0, !k.ferme);
    // The child window goes first; its parent hears of it.
    EXPECT_EQ(Journal(), k.ferme ? "WmParentNotify ~Espion ~Espion" : "");
    if (!k.ferme) {
      SendMessageA(hf, WM_USER, 0, 0);
      ASSERT_EQ(GetWindowLongPtrA(hf, 0), reinterpret_cast<LONG_PTR>(f));
      g_journal.clear();
      delete p;  // the child window object goes with it, its window stays
      EXPECT_EQ(Journal(), "~Espion ~Espion");
      // The orphaned child window is served by default processing, not by
      // the deleted object.
      EXPECT_EQ(GetWindowLongPtrA(hf, 0), 0);
      Intercepte();
      EXPECT_EQ(SendMessageA(hf, WM_KEYDOWN, VK_SPACE, 0), DEFAUT);
      EXPECT_EQ(Journal(), "");
      g_intercepte = false;
      DestroyWindow(hp);
    }
  }
}

TEST_F(Fenetres, QueryEndSessionAnswersAfterClosing) {
  struct Cas {
    int permetApp, permetFils;
    LRESULT reponse;
  } cas[] = {{1, 1, 1}, {0, 1, 0}, {1, 0, 0}};
  for (const Cas& k : cas) {
    g_app->permet = k.permetApp;
    Espion* p = new Espion;
    p->Cree();
    Espion* f = new Espion(p);
    f->Cree();
    f->permet = k.permetFils;
    HWND hp = p->hwnd;
    EXPECT_EQ(SendMessageA(hp, WM_QUERYENDSESSION, 0, 0), k.reponse);
    EXPECT_EQ(IsWindow(hp) != 0, k.reponse == 0);
    if (IsWindow(hp)) {
      f->permet = 1;
      p->permet = 1;
      g_app->permet = 1;
      SendMessageA(hp, WM_CLOSE, 0, 0);
      EXPECT_FALSE(IsWindow(hp));
    }
  }
}

// ---------------------------------------------------------------- main window

class Principale : public MAIN_FENETRE {
 public:
  Principale() : MAIN_FENETRE("principale") {}
  void WmKeyDown(FEN_MSG* m) override {
    g_journal.push_back("WmKeyDown");
    MAIN_FENETRE::WmKeyDown(m);
  }
  void WmAutre(FEN_MSG* m) override {
    g_journal.push_back("WmAutre");
    MAIN_FENETRE::WmAutre(m);
  }
  void AvantQuitter() override { g_journal.push_back("AvantQuitter"); }
};

class Recepteur : public APPLI_MSG {
 public:
  Recepteur(const char* nom, const char* t) : APPLI_MSG(nom), trace(t) {}
  void HandleMessage(FEN_MSG* m) override {
    g_journal.push_back(trace);
    m->resultat = 0;
  }
  std::string trace;
};

TEST_F(Fenetres, MainWindowOffersRegisteredMessagesFirst) {
  Principale* p = new Principale;
  ASSERT_NE(p->Cree(), nullptr);
  Recepteur r1("FenetreTestMsg", "r1");
  Recepteur r2("FenetreTestMsg", "r2");
  EXPECT_EQ(r1.idMessage, r2.idMessage);
  EXPECT_EQ(r1.idMessage, RegisterWindowMessageA("FenetreTestMsg"));

  Intercepte();
  EXPECT_EQ(SendMessageA(p->hwnd, r1.idMessage, 0, 0), 0);
  EXPECT_EQ(Journal(), "r2 r1");  // newest handler first, no table
  EXPECT_TRUE(g_parDefaut.empty());

  // Even a number that the table would route goes to the handler only.
  r2.idMessage = WM_KEYDOWN;
  Intercepte();
  EXPECT_EQ(SendMessageA(p->hwnd, WM_KEYDOWN, VK_SPACE, 0), 0);
  EXPECT_EQ(Journal(), "r2");

  // No matching handler: the table as usual.
  Intercepte();
  EXPECT_EQ(SendMessageA(p->hwnd, WM_USER + 9, 0, 0), DEFAUT);
  EXPECT_EQ(Journal(), "WmAutre");
  g_intercepte = false;
  DestroyWindow(p->hwnd);
  delete p;
}

TEST_F(Fenetres, MainWindowCloseAsksTheApplicationAndPostsQuit) {
  struct Cas {
    int permet;
    bool ferme;
  } cas[] = {{0, false}, {1, true}};
  for (const Cas& k : cas) {
    Principale* p = new Principale;
    p->Cree();
    HWND h = p->hwnd;
    g_app->permet = k.permet;
    g_journal.clear();
    SendMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_EQ(IsWindow(h) != 0, !k.ferme);
    MSG msg;
    BOOL quit = PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    EXPECT_EQ(quit != 0, k.ferme);
    if (k.ferme) {
      // WM_NCDESTROY finds the object again through the registry.
      EXPECT_EQ(Journal(), "AvantQuitter WmAutre");
      // The object outlives its window and keeps the handle.
      EXPECT_EQ(p->hwnd, h);
      EXPECT_EQ(FEN_OBJ::TrouveFenObj(h), p);
    } else {
      g_app->permet = 1;
      DestroyWindow(h);
      PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    }
    delete p;
    EXPECT_EQ(FEN_OBJ::TrouveFenObj(h), nullptr);
  }
}

// ---------------------------------------------------------------- classes

TEST(Classes, RegisteredWithTheirAttributes) {
  struct Cas {
    const char* nom;
    UINT style;
    INT_PTR fond;
  } cas[] = {{"OW_CHILD", CS_DBLCLKS, 6}, {"OW_MAIN", 0, 13}};
  for (const Cas& k : cas) {
    WNDCLASSA c = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), k.nom, &c)) << k.nom;
    EXPECT_EQ(c.style, k.style) << k.nom;
    EXPECT_EQ(c.cbWndExtra, (int)sizeof(LONG_PTR)) << k.nom;
    EXPECT_EQ(c.cbClsExtra, 0) << k.nom;
    EXPECT_EQ(reinterpret_cast<INT_PTR>(c.hbrBackground), k.fond) << k.nom;
    EXPECT_EQ(c.lpfnWndProc, FENETRE::PasseWndProc) << k.nom;
  }
  // Registering again fails at the first class.
  EXPECT_EQ(EnregistreClasses(GetModuleHandleA(nullptr)), 0);
}

// ---------------------------------------------------------------- timer

class Periodique : public PERIODE {
 public:
  Periodique(int p, const char* n) : PERIODE(p), nom(n) {}
  void Periode(FEN_MSG* m) override {
    g_journal.push_back(nom + ":" + std::to_string(m->wParam) + "," + std::to_string(m->lParam));
  }
  using PERIODE::TimerProc;
  std::string nom;
};

TEST(Periodes, EachObjectRunsEveryPeriodTicks) {
  g_journal.clear();
  Periodique* un = new Periodique(1, "un");
  Periodique* deux = new Periodique(2, "deux");
  for (DWORD t = 1; t <= 4; ++t) Periodique::TimerProc(nullptr, WM_TIMER, 9, t);
  EXPECT_EQ(Journal(), "un:9,1 deux:9,2 un:9,2 un:9,3 deux:9,4 un:9,4");
  delete deux;
  delete un;
  EXPECT_EQ(g_premierePeriode, nullptr);
}

}  // namespace
