// The one application instance of the process and what every part reaches
// through it.
#pragma once
#include <windows.h>

class MAIN_INSTANCE {
 public:
  explicit MAIN_INSTANCE(HINSTANCE instance);
  virtual void PumpMessagesFor(int ms);
  virtual int CanClose();
  virtual ~MAIN_INSTANCE();

  HINSTANCE hInstance;
  char nom[80];  // caption of every message box
  int codeSortie;

  MAIN_INSTANCE(const MAIN_INSTANCE&) = delete;
  MAIN_INSTANCE& operator=(const MAIN_INSTANCE&) = delete;
};

// The instance pointer: null before the application exists and after it ends.
extern MAIN_INSTANCE* g_mainInstance;

// The command line given to WinMain, at most 511 characters.
extern char g_savedCommandLine[512];

// MessageBoxA(owner, text, application name, type).
int ShowAppMessage(const char* texte, UINT type, HWND proprietaire);
