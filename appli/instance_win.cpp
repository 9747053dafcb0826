#include "appli/instance.h"

#include "util/strings.h"

MAIN_INSTANCE* g_mainInstance = nullptr;
char g_savedCommandLine[512];

MAIN_INSTANCE::MAIN_INSTANCE(HINSTANCE instance) : hInstance(instance), codeSortie(0) {
  nom[0] = 0;
  if (g_mainInstance) ShowAppMessage("Cr\xE9" "ation multiple MAIN_INSTANCE ", MB_OK, nullptr);
  g_mainInstance = this;
}

// Only the instance that the pointer designates clears it, so that ending an
// instance that was replaced leaves no dangling pointer and no null one.
MAIN_INSTANCE::~MAIN_INSTANCE() {
  if (g_mainInstance == this) g_mainInstance = nullptr;
}

void MAIN_INSTANCE::PumpMessagesFor(int) {}

int MAIN_INSTANCE::CanClose() { return 1; }

int ShowAppMessage(const char* texte, UINT type, HWND proprietaire) {
  return MessageBoxA(proprietaire, texte, g_mainInstance ? g_mainInstance->nom : nullptr, type);
}
