#include "appli/main.h"

#include "fenetre/fenetre.h"
#include "util/strings.h"

MAIN* g_currentMain = nullptr;
int g_quitFlag = 0;
void (WINAPI* g_clockSource)(LPSYSTEMTIME) = GetSystemTime;
unsigned g_clockLastSeconds = 0;

MAIN::MAIN(const char* nomAppli, HINSTANCE instance, HINSTANCE precedente, const char* ligne,
           int affichage)
    : MAIN_INSTANCE(instance),
      APPLI_MSG(nomAppli),
      dialogueNonModal(nullptr),
      instancePrecedente(precedente),
      commandeAffichage(affichage),
      ligneCommande(ligne),
      accelerateurs(nullptr),
      fenetreAutreInstance(nullptr),
      fenetrePrincipale(nullptr) {
  StrCopyN(nom, nomAppli, sizeof nom);
  codeSortie = 0;
  g_currentMain = this;
}

MAIN::~MAIN() {
  if (g_currentMain == this) g_currentMain = nullptr;
  // The APPLI_MSG and MAIN_INSTANCE parts unlink the handler and clear the
  // instance pointer.
}

int MAIN::CanClose() { return 1; }
int MAIN::WantsSingleInstance() { return 0; }
int MAIN::GetHandOver(int*) { return 0; }

void MAIN::ActivateMainWindow(int) {
  if (!fenetrePrincipale) return;
  ShowWindow(fenetrePrincipale->hwnd, MainShowCommand());
  SetActiveWindow(fenetrePrincipale->hwnd);
}

void MAIN::ReceiveHandOver(int) {}
void MAIN::RegisterClasses() { EnregistreClasses(hInstance); }
void MAIN::InitInstance() { CreateMainWindow(); }

void MAIN::CreateMainWindow() {
  fenetrePrincipale = new MAIN_FENETRE(nom);
  fenetrePrincipale->Cree();
  ShowWindow(fenetrePrincipale->hwnd, commandeAffichage);
}

int MAIN::MainShowCommand() { return SW_SHOW; }

void MAIN::Run() {
  if (!instancePrecedente) RegisterClasses();
  InitInstance();
  // Without a main window nothing could ever end the message loop.
  if (!fenetrePrincipale || !fenetrePrincipale->hwnd) {
    delete fenetrePrincipale;
    fenetrePrincipale = nullptr;
    return;
  }
  HWND propre = fenetrePrincipale->hwnd;
  fenetreAutreInstance = nullptr;
  if (WantsSingleInstance())
    SendMessageA(HWND_BROADCAST, idMessage, PROTO_RECHERCHE, reinterpret_cast<LPARAM>(propre));
  if (fenetreAutreInstance) {
    int valeur = 0;
    if (GetHandOver(&valeur)) {
      PostMessageA(fenetreAutreInstance, idMessage, PROTO_TRANSMET, (LPARAM)valeur);
    } else {
      PostMessageA(fenetreAutreInstance, idMessage, PROTO_ACTIVE, (LPARAM)valeur);
      DestroyWindow(propre);
    }
  } else {
    MessageLoop();
  }
  delete fenetrePrincipale;
  fenetrePrincipale = nullptr;
}

// Accelerators, then TranslateMessage unless an accelerator took the message.
static void Traduit(MAIN* app, MSG* msg) {
  HWND principale = app->fenetrePrincipale ? app->fenetrePrincipale->hwnd : nullptr;
  if (app->accelerateurs && TranslateAcceleratorA(principale, app->accelerateurs, msg)) return;
  TranslateMessage(msg);
}

int MAIN::MessageLoop() {
  MSG msg = {};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (g_quitFlag) break;  // a pump took the WM_QUIT meant for this loop
    if (dialogueNonModal && IsDialogMessageA(dialogueNonModal, &msg)) continue;
    Traduit(this, &msg);
    DispatchMessageA(&msg);
    if (msg.message == WM_QUIT) break;
  }
  return (int)msg.wParam;
}

int MAIN::PumpPending() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    GetMessageA(&msg, nullptr, 0, 0);
    if (dialogueNonModal && IsDialogMessageA(dialogueNonModal, &msg)) return 1;
    Traduit(this, &msg);
    DispatchMessageA(&msg);
    if (msg.message == WM_QUIT) g_quitFlag = 1;
  }
  return 1;
}

// Every waiting message is processed, at least once, until ms milliseconds
// have passed; between passes the thread sleeps until a message arrives or
// the time is up rather than spinning.
void MAIN::PumpMessagesFor(int ms) {
  unsigned debut = ClockMs();
  for (;;) {
    PumpPending();
    if (ms <= 0) return;
    unsigned ecoule = ClockMs() - debut;
    if (ecoule >= (unsigned)ms) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, (unsigned)ms - ecoule, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

unsigned MAIN::ClockMs() {
  SYSTEMTIME t;
  g_clockSource(&t);
  unsigned secondes = t.wHour * 3600u + t.wMinute * 60u + t.wSecond;
  // After midnight or a clock set back, whole days keep the count growing.
  if (secondes < g_clockLastSeconds)
    secondes += (g_clockLastSeconds - secondes + 86399u) / 86400u * 86400u;
  g_clockLastSeconds = secondes;
  return secondes * 1000u + t.wMilliseconds;
}

void MAIN::HandleMessage(FEN_MSG* m) {
  HWND propre = fenetrePrincipale ? fenetrePrincipale->hwnd : nullptr;
  switch (m->wParam) {
    case PROTO_RECHERCHE:
      if (reinterpret_cast<HWND>(m->lParam) != propre)
        SendMessageA(reinterpret_cast<HWND>(m->lParam), idMessage, PROTO_REPONSE,
                     reinterpret_cast<LPARAM>(propre));
      break;
    case PROTO_REPONSE:
      if (reinterpret_cast<HWND>(m->lParam) != m->hwnd)
        fenetreAutreInstance = reinterpret_cast<HWND>(m->lParam);
      break;
    case PROTO_ACTIVE: ActivateMainWindow((int)m->lParam); break;
    case PROTO_TRANSMET: ReceiveHandOver((int)m->lParam); break;
    default: break;
  }
}
