#include "appli/appmsg.h"

#include "util/log.h"
#include "util/strings.h"

APPLI_MSG* g_appliMsgTete = nullptr;
APPLI_MSG* g_appliMsgQueue = nullptr;

APPLI_MSG::APPLI_MSG(const char* nom) : suivant(g_appliMsgTete), precedent(nullptr), idMessage(0) {
  g_appliMsgTete = this;
  if (!g_appliMsgQueue)
    g_appliMsgQueue = this;
  else
    suivant->precedent = this;
  nomMessage[0] = 0;
  StrCopyN(nomMessage, nom, sizeof nomMessage);
  idMessage = RegisterWindowMessageA(nom);
}

APPLI_MSG::~APPLI_MSG() {
  if (g_appliMsgQueue == this)
    g_appliMsgQueue = precedent;
  else if (suivant)
    suivant->precedent = precedent;
  if (g_appliMsgTete == this)
    g_appliMsgTete = suivant;
  else if (precedent)
    precedent->suivant = suivant;
  suivant = precedent = nullptr;
}

int DispatchRegistered(FEN_MSG* message) {
  int appele = 0;
  for (APPLI_MSG* h = g_appliMsgTete; h;) {
    // A handler may end itself while it handles the message.
    APPLI_MSG* suivant = h->suivant;
    if (h->idMessage == message->message) {
      h->HandleMessage(message);
      appele = 1;
    }
    h = suivant;
  }
  return appele;
}

HWND_REC_LOG::HWND_REC_LOG(const char* nom) : APPLI_MSG(nom) {}

// The text address is taken as it comes: it means something only when the
// sender lives in this process.
void HWND_REC_LOG::HandleMessage(FEN_MSG* m) {
  LogReport((int)LOWORD(m->wParam), reinterpret_cast<const char*>(m->lParam));
}
