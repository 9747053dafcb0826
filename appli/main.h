// The application class: run sequence, message loops and the application's
// own registered message with its single-instance protocol.
#pragma once
#include <windows.h>

#include "appli/appmsg.h"
#include "appli/instance.h"

class MAIN_FENETRE;

class MAIN : public MAIN_INSTANCE, public APPLI_MSG {
 public:
  MAIN(const char* nom, HINSTANCE instance, HINSTANCE instancePrecedente,
       const char* ligneCommande, int commandeAffichage);
  ~MAIN() override;

  void PumpMessagesFor(int ms) override;
  int CanClose() override;
  virtual int WantsSingleInstance();
  virtual int GetHandOver(int* valeur);
  virtual void ActivateMainWindow(int valeur);
  virtual void ReceiveHandOver(int valeur);
  virtual void RegisterClasses();
  virtual void InitInstance();
  virtual void CreateMainWindow();
  virtual int MessageLoop();
  virtual int MainShowCommand();

  // The application protocol (wParam 0xFFFF, 256, 1, 2).
  void HandleMessage(FEN_MSG* message) override;

  void Run();
  int PumpPending();
  static unsigned ClockMs();

  HWND dialogueNonModal;
  HINSTANCE instancePrecedente;
  int commandeAffichage;
  const char* ligneCommande;
  HACCEL accelerateurs;
  HWND fenetreAutreInstance;  // main window of an earlier running instance
  MAIN_FENETRE* fenetrePrincipale;
};

// Protocol codes carried in wParam of the application's message.
enum {
  PROTO_RECHERCHE = 0xFFFF,  // broadcast by a starting instance
  PROTO_REPONSE = 256,       // reply of an earlier instance
  PROTO_ACTIVE = 1,
  PROTO_TRANSMET = 2
};

extern MAIN* g_currentMain;
// Set when PumpPending takes a WM_QUIT out of the queue; ends MessageLoop.
extern int g_quitFlag;

// Time source of ClockMs (UTC time of day), GetSystemTime unless a test
// replaces it; g_clockLastSeconds is the counter's state.
extern void (WINAPI* g_clockSource)(LPSYSTEMTIME);
extern unsigned g_clockLastSeconds;
