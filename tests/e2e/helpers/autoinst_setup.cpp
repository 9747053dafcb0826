// Stands in for a product's setup program (an "AutoInst_" entry): records how
// it was started and ends with the exit code named by SFX_E2E_SETUP_EXIT
// (default 1, which lets the stub go on to install.exe).
#include "e2e_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::string code = e2e::EnvVar("SFX_E2E_SETUP_EXIT");
  int exitCode = code.empty() ? 1 : std::atoi(code.c_str());
  std::string ms = e2e::EnvVar("SFX_E2E_SETUP_SLEEP_MS");
  if (!ms.empty()) Sleep(static_cast<DWORD>(std::atoi(ms.c_str())));
  e2e::Record("setup", exitCode);
  return exitCode;
}
