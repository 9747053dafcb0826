// Registered window messages: each handler owns one message id obtained by
// name; main windows offer every message to the handler list first.
#pragma once
#include <windows.h>

#include "fenetre/objet.h"

class APPLI_MSG {
 public:
  explicit APPLI_MSG(const char* nom);
  virtual void HandleMessage(FEN_MSG* message) = 0;
  virtual ~APPLI_MSG();

  APPLI_MSG* suivant;    // constructed earlier, towards the tail
  APPLI_MSG* precedent;  // constructed later, towards the head
  UINT idMessage;
  char nomMessage[128];

  APPLI_MSG(const APPLI_MSG&) = delete;
  APPLI_MSG& operator=(const APPLI_MSG&) = delete;
};

// Calls HandleMessage of every handler whose id is the record's message;
// 1 when at least one was called.
int DispatchRegistered(FEN_MSG* message);

extern APPLI_MSG* g_appliMsgTete;   // newest handler
extern APPLI_MSG* g_appliMsgQueue;  // oldest handler

// Hands reports sent as "VndPassLogMess" to the log channels:
// wParam's low word is the channel, lParam the text address or 0.
class HWND_REC_LOG : public APPLI_MSG {
 public:
  explicit HWND_REC_LOG(const char* nom);
  void HandleMessage(FEN_MSG* message) override;
};

extern HWND_REC_LOG g_recepteurLog;
