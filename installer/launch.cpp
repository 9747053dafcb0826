// Starting the setup program and waiting for it while the stub's windows stay served.
#include "installer/launch.h"

#include <windows.h>

#include "appli/instance.h"
#include "util/format.h"
#include "util/log.h"

namespace {

// Serves the application's messages for up to ms milliseconds, but returns as
// soon as the process has ended. Waiting on the handle keeps the thread idle
// between messages and ends the wait even when the program's exit code is 259,
// which the exit-code poll alone cannot tell from a running program.
void ServeMessagesWhileRunning(HANDLE process, DWORD ms) {
  MAIN_INSTANCE* application = g_mainInstance;
  if (!application) {
    // No windows to serve.
    WaitForSingleObject(process, ms);
    return;
  }
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(1, &process, ms - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woken == WAIT_OBJECT_0 + 1) {
      application->PumpMessagesFor(0);
    } else if (woken == WAIT_FAILED) {
      // Cannot wait on the handle: fall back to the application's own pump.
      application->PumpMessagesFor(static_cast<int>(ms - elapsed));
      return;
    } else {
      return;  // the process ended, or the time is up
    }
  }
}

int WaitForExitCode(HANDLE process) {
  int result = 1;
  for (;;) {
    DWORD code = 0;
    if (GetExitCodeProcess(process, &code)) {
      result = static_cast<int>(code);
      if (code != STILL_ACTIVE) return result;
    }
    if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
      // Ended: a 259 read above is the real exit code.
      if (GetExitCodeProcess(process, &code)) result = static_cast<int>(code);
      return result;
    }
    ServeMessagesWhileRunning(process, 100);
  }
}

}  // namespace

int LaunchProgram(const char* programPath, char* commandLine, int wait) {
  STARTUPINFOA startup;
  ZeroMemory(&startup, sizeof startup);
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof process);
  if (!CreateProcessA(programPath, commandLine, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                      nullptr, &startup, &process)) {
    FormatText(g_reportBuffer, sizeof g_reportBuffer, "Erreur CreateProcess %d",
               static_cast<int>(GetLastError()));
    LogReport(101, g_reportBuffer);
    return 0;
  }
  const int result = wait ? WaitForExitCode(process.hProcess) : 1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}
