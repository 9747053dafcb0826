// The application: run sequence, message loops and pump, the millisecond
// counter, registered messages (from this process and from a second one).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "appli/appmsg.h"
#include "appli/instance.h"
#include "appli/main.h"
#include "fenetre/fenetre.h"
#include "tests/native/log_recorder.h"

#include "tests/win/journal.h"

namespace {

double MaintenantMs() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return 1000.0 * (double)c.QuadPart / (double)f.QuadPart;
}

void VideQuit() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

const UINT COMPTE = WM_USER + 7;

// A main window that counts the messages COMPTE it is given.
class Compteur : public MAIN_FENETRE {
 public:
  explicit Compteur(const char* titre) : MAIN_FENETRE(titre) {}
  ~Compteur() override { g_journal.push_back("~Compteur"); }
  void WmAutre(FEN_MSG* m) override {
    if (m->message == COMPTE) ++recus;
    MAIN_FENETRE::WmAutre(m);
  }
  void ApresCreation() override {
    if (fermeSeule) PostMessageA(hwnd, WM_CLOSE, 0, 0);
  }
  void WmTimer(FEN_MSG*) override { ++minuteries; }
  int recus = 0;
  int minuteries = 0;
  bool fermeSeule = false;
};

// The test application: "VndExe" like the stub, a hidden counting main window.
class Essai : public MAIN {
 public:
  explicit Essai(const char* nom = "VndExe")
      : MAIN(nom, GetModuleHandleA(nullptr), nullptr, "", SW_HIDE) {}
  void CreateMainWindow() override {
    Compteur* c = new Compteur(nom);
    c->fermeSeule = fermeSeule;
    if (echec) c->style = WS_CHILD;  // no parent: CreateWindowExA fails
    fenetrePrincipale = c;
    c->Cree();
  }
  void ActivateMainWindow(int v) override { g_journal.push_back("Activate:" + std::to_string(v)); }
  void ReceiveHandOver(int v) override { g_journal.push_back("HandOver:" + std::to_string(v)); }
  void HandleMessage(FEN_MSG* m) override {
    g_journal.push_back("VndExe:" + std::to_string(m->wParam));
    MAIN::HandleMessage(m);
  }
  Compteur* Fenetre() { return static_cast<Compteur*>(fenetrePrincipale); }
  bool echec = false;
  bool fermeSeule = false;
};

class Environnement : public ::testing::Environment {
 public:
  void SetUp() override { EnregistreClasses(GetModuleHandleA(nullptr)); }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new Environnement);

class Appli : public ::testing::Test {
 protected:
  void SetUp() override {
    g_journal.clear();
    g_quitFlag = 0;
    app.CreateMainWindow();
    ASSERT_NE(app.Fenetre()->hwnd, nullptr);
    g_journal.clear();
  }
  void TearDown() override {
    if (app.fenetrePrincipale) {
      DestroyWindow(app.fenetrePrincipale->hwnd);
      delete app.fenetrePrincipale;
      app.fenetrePrincipale = nullptr;
    }
    VideQuit();
    g_quitFlag = 0;
  }
  HWND Principale() { return app.fenetrePrincipale->hwnd; }
  Essai app;
};

// ---------------------------------------------------------------- instance

TEST_F(Appli, InstanceAndHandlerListFollowTheApplication) {
  EXPECT_EQ(g_mainInstance, static_cast<MAIN_INSTANCE*>(&app));
  EXPECT_EQ(g_currentMain, &app);
  EXPECT_STREQ(app.nom, "VndExe");
  EXPECT_EQ(app.codeSortie, 0);
  EXPECT_EQ(app.idMessage, RegisterWindowMessageA("VndExe"));
  // Newest handler first; the log receiver built at start-up is the oldest.
  EXPECT_EQ(g_appliMsgTete, static_cast<APPLI_MSG*>(&app));
  EXPECT_EQ(g_appliMsgQueue, static_cast<APPLI_MSG*>(&g_recepteurLog));
  EXPECT_STREQ(g_recepteurLog.nomMessage, "VndPassLogMess");
  EXPECT_EQ(g_recepteurLog.idMessage, RegisterWindowMessageA("VndPassLogMess"));
  {
    std::string longNom(200, 'n');
    class Muet : public APPLI_MSG {
     public:
      using APPLI_MSG::APPLI_MSG;
      void HandleMessage(FEN_MSG*) override {}
    } muet(longNom.c_str());
    EXPECT_EQ(std::string(muet.nomMessage), std::string(127, 'n'));
    EXPECT_EQ(g_appliMsgTete, &muet);
    EXPECT_EQ(muet.suivant, static_cast<APPLI_MSG*>(&app));
  }
  EXPECT_EQ(g_appliMsgTete, static_cast<APPLI_MSG*>(&app));
}

TEST(Instance, EndingTheApplicationClearsWhatItSet) {
  APPLI_MSG* tete = g_appliMsgTete;
  {
    Essai a("AutreAppli");
    EXPECT_EQ(g_mainInstance, static_cast<MAIN_INSTANCE*>(&a));
  }
  EXPECT_EQ(g_mainInstance, nullptr);
  EXPECT_EQ(g_currentMain, nullptr);
  EXPECT_EQ(g_appliMsgTete, tete);
}

// ---------------------------------------------------------------- pump

TEST_F(Appli, PumpForZeroProcessesWhatWaitsAndReturns) {
  for (int i = 0; i < 5; ++i) PostMessageA(Principale(), COMPTE, 0, 0);
  double debut = MaintenantMs();
  app.PumpMessagesFor(0);
  EXPECT_LT(MaintenantMs() - debut, 500.0);
  EXPECT_EQ(app.Fenetre()->recus, 5);
  // Nothing waiting: one pass, and back.
  debut = MaintenantMs();
  app.PumpMessagesFor(0);
  EXPECT_LT(MaintenantMs() - debut, 500.0);
}

TEST_F(Appli, PumpForHundredWaitsAtLeastHundredMilliseconds) {
  struct Cas {
    int postes;
  } cas[] = {{0}, {3}};
  for (const Cas& k : cas) {
    app.Fenetre()->recus = 0;
    for (int i = 0; i < k.postes; ++i) PostMessageA(Principale(), COMPTE, 0, 0);
    double debut = MaintenantMs();
    app.PumpMessagesFor(100);
    double duree = MaintenantMs() - debut;
    EXPECT_GE(duree, 99.0) << k.postes;  // the counter's own millisecond rounding
    EXPECT_LT(duree, 1000.0) << k.postes;
    EXPECT_EQ(app.Fenetre()->recus, k.postes);
  }
}

TEST_F(Appli, PumpWakesForMessagesArrivingDuringTheWait) {
  // A timer fires twice during the wait; both are handled before the return.
  SetTimer(Principale(), 1, 30, nullptr);
  double debut = MaintenantMs();
  app.PumpMessagesFor(200);
  double duree = MaintenantMs() - debut;
  KillTimer(Principale(), 1);
  EXPECT_GE(app.Fenetre()->minuteries, 2);
  EXPECT_GE(duree, 199.0);
  EXPECT_LT(duree, 1000.0);
}

TEST_F(Appli, QuitTakenByThePumpEndsTheMessageLoop) {
  PostQuitMessage(0);
  EXPECT_EQ(app.PumpPending(), 1);
  EXPECT_EQ(g_quitFlag, 1);
  // The loop stops at the next message it fetches, without dispatching it.
  PostMessageA(Principale(), COMPTE, 0, 0);
  app.MessageLoop();
  EXPECT_EQ(app.Fenetre()->recus, 0);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Appli, MessageLoopDispatchesUntilQuit) {
  PostMessageA(Principale(), COMPTE, 0, 0);
  PostMessageA(Principale(), COMPTE, 0, 0);
  PostQuitMessage(3);
  EXPECT_EQ(app.MessageLoop(), 3);
  EXPECT_EQ(app.Fenetre()->recus, 2);
  EXPECT_EQ(g_quitFlag, 0);
}

// ---------------------------------------------------------------- clock

void WINAPI HeureEssai(LPSYSTEMTIME t);
SYSTEMTIME g_heure;
void WINAPI HeureEssai(LPSYSTEMTIME t) { *t = g_heure; }

TEST(Horloge, GrowsThroughMidnightAndClockSetBack) {
  struct Pas {
    WORD h, m, s, ms;
    unsigned attendu;
  };
  struct Cas {
    const char* nom;
    std::vector<Pas> pas;
  } cas[] = {
      {"midnight",
       {{23, 59, 59, 999, 86399999u},
        {0, 0, 0, 0, 86400000u},
        {0, 0, 1, 500, 86401500u},
        {23, 59, 59, 0, 172799000u},
        {0, 0, 0, 7, 172800007u}}},
      {"set back",
       {{12, 0, 0, 0, 43200000u}, {11, 0, 0, 250, 126000250u}, {11, 0, 1, 0, 126001000u}}},
      {"same second", {{8, 0, 0, 900, 28800900u}, {8, 0, 0, 100, 28800100u}}},
  };
  auto source = g_clockSource;
  g_clockSource = HeureEssai;
  for (const Cas& k : cas) {
    g_clockLastSeconds = 0;
    for (const Pas& p : k.pas) {
      g_heure = {};
      g_heure.wHour = p.h;
      g_heure.wMinute = p.m;
      g_heure.wSecond = p.s;
      g_heure.wMilliseconds = p.ms;
      EXPECT_EQ(MAIN::ClockMs(), p.attendu) << k.nom << " " << p.h << ":" << p.m;
    }
  }
  g_clockSource = source;
  g_clockLastSeconds = 0;
}

// ---------------------------------------------------------------- run

VOID CALLBACK Garde(HWND, UINT, UINT_PTR, DWORD) {
  g_journal.push_back("garde");
  PostQuitMessage(0);
}

TEST(Run, ReturnsAtOnceWhenTheMainWindowCannotBeCreated) {
  g_journal.clear();
  Essai app("EssaiEchec");
  app.echec = true;
  UINT_PTR garde = SetTimer(nullptr, 0, 3000, Garde);
  double debut = MaintenantMs();
  app.Run();
  double duree = MaintenantMs() - debut;
  KillTimer(nullptr, garde);
  EXPECT_LT(duree, 2000.0);
  EXPECT_EQ(Journal(), "~Compteur");  // the object went, the watchdog never fired
  EXPECT_EQ(app.fenetrePrincipale, nullptr);
  VideQuit();
}

TEST(Run, CloseOfTheMainWindowEndsTheRun) {
  g_journal.clear();
  g_quitFlag = 0;
  Essai app("EssaiRun");
  app.fermeSeule = true;
  UINT_PTR garde = SetTimer(nullptr, 0, 5000, Garde);
  app.Run();
  KillTimer(nullptr, garde);
  EXPECT_EQ(Journal(), "~Compteur");
  EXPECT_EQ(app.fenetrePrincipale, nullptr);
}

// ---------------------------------------------------------------- protocol

std::vector<std::string> g_recuAutre;
UINT g_idAutre;
LRESULT CALLBACK AutreInstance(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == g_idAutre) g_recuAutre.push_back(std::to_string(w) + "," + std::to_string(l));
  return DefWindowProcA(h, msg, w, l);
}

TEST_F(Appli, ProtocolInThisProcess) {
  // A window of "another instance" that records what it is sent.
  g_idAutre = app.idMessage;
  std::vector<std::string>& recu = g_recuAutre;
  WNDCLASSA c = {};
  c.lpfnWndProc = AutreInstance;
  c.hInstance = GetModuleHandleA(nullptr);
  c.lpszClassName = "AutreInstance";
  RegisterClassA(&c);
  HWND autre = CreateWindowExA(0, "AutreInstance", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                               nullptr, c.hInstance, nullptr);
  ASSERT_NE(autre, nullptr);
  HWND propre = Principale();
  std::string propreTexte = std::to_string(reinterpret_cast<LPARAM>(propre));

  struct Cas {
    WPARAM w;
    HWND l;
    int valeur;  // used when l is null
    const char* journal;
    bool repondu;
    HWND stocke;
  } cas[] = {
      {0xFFFF, nullptr, 0, "VndExe:65535", true, nullptr},  // l = autre, below
      {0xFFFF, propre, 0, "VndExe:65535", false, nullptr},
      {256, propre, 0, "VndExe:256", false, nullptr},
      {256, nullptr, 0, "VndExe:256", false, autre},
      {1, nullptr, 9, "VndExe:1 Activate:9", false, nullptr},
      {2, nullptr, 42, "VndExe:2 HandOver:42", false, nullptr},
      {3, nullptr, 0, "VndExe:3", false, nullptr},
      {0x1FFFF, nullptr, 0, "VndExe:131071", false, nullptr},
  };
  for (const Cas& k : cas) {
    g_journal.clear();
    recu.clear();
    app.fenetreAutreInstance = nullptr;
    LPARAM l = k.l ? reinterpret_cast<LPARAM>(k.l)
                   : (k.w == 0xFFFF || k.w == 256) ? reinterpret_cast<LPARAM>(autre) : k.valeur;
    EXPECT_EQ(SendMessageA(propre, app.idMessage, k.w, l), 0) << k.w;
    EXPECT_EQ(Journal(), k.journal) << k.w;
    if (k.repondu) {
      ASSERT_EQ(recu.size(), 1u);
      EXPECT_EQ(recu[0], "256," + propreTexte);
    } else {
      EXPECT_TRUE(recu.empty()) << k.w;
    }
    EXPECT_EQ(app.fenetreAutreInstance, k.stocke) << k.w;
  }
  DestroyWindow(autre);
}

TEST_F(Appli, LogReceiverPassesReportsOn) {
  static char texte[] = "rapport";
  struct Cas {
    WPARAM w;
    const char* lParam;
    std::vector<LogRecorder::Report> attendu;
  } cas[] = {
      {MAKEWPARAM(101, 1), texte, {{101, "rapport"}, {0, "rapport"}}},
      {0, texte, {{0, "rapport"}}},
      {101, nullptr, {{101, ""}, {0, ""}}},
      {MAKEWPARAM(67, 0xFFFF), texte, {{0, "rapport"}}},  // no sink on 67 here
  };
  UINT id = RegisterWindowMessageA("VndPassLogMess");
  for (const Cas& k : cas) {
    LogRecorder journal({101, 0});
    EXPECT_EQ(SendMessageA(Principale(), id, k.w, reinterpret_cast<LPARAM>(k.lParam)), 0);
    EXPECT_EQ(journal.reports, k.attendu) << k.w;
  }
  FEN_MSG m = {Principale(), WM_USER + 99, 0, 0, 0, 0};
  EXPECT_EQ(DispatchRegistered(&m), 0);
  m.message = id;
  LogRecorder journal({0});
  EXPECT_EQ(DispatchRegistered(&m), 1);
  EXPECT_EQ(journal.reports.size(), 1u);
}

TEST_F(Appli, RegisteredMessagesFromASecondProcess) {
  char chemin[MAX_PATH];
  DWORD n = GetModuleFileNameA(nullptr, chemin, sizeof chemin);
  std::string programme(chemin, n);
  programme = programme.substr(0, programme.find_last_of("\\/") + 1) + "win_appli_helper.exe";
  char hwndTexte[32];
  snprintf(hwndTexte, sizeof hwndTexte, "%llx",
           (unsigned long long)reinterpret_cast<UINT_PTR>(Principale()));
  std::string ligne = "\"" + programme + "\" " + hwndTexte;

  LogRecorder journal({101, 0});
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(CreateProcessA(programme.c_str(), &ligne[0], nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &pi))
      << programme;
  // The sender's messages are handled while this thread pumps.
  DWORD code = STILL_ACTIVE;
  double debut = MaintenantMs();
  while (GetExitCodeProcess(pi.hProcess, &code) && code == STILL_ACTIVE &&
         MaintenantMs() - debut < 30000.0)
    app.PumpMessagesFor(50);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);

  // One answer naming this main window, to the sender's own window only.
  EXPECT_EQ(code, 1u);
  // Channel 101 from the low word; the text address of another process is
  // not one here: the sender passes none.
  std::vector<LogRecorder::Report> attendu = {{101, ""}, {0, ""}};
  EXPECT_EQ(journal.reports, attendu);
  // Both broadcasts reached the application; neither was answered to itself.
  EXPECT_EQ(Journal(), "VndExe:65535 VndExe:65535");
}

}  // namespace
