// The demo product's setup program. The stub runs it first, from tmp_vnd,
// and waits for it. It prepares a settings file, then ends with exit code 1:
// any code but 0 lets the stub go on to start install.exe.
#include "report.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  HANDLE f = CreateFileA("demo.ini", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (f != INVALID_HANDLE_VALUE) {
    static const char text[] = "[Demo]\r\nPrepared=1\r\n";
    DWORD written = 0;
    WriteFile(f, text, sizeof text - 1, &written, nullptr);
    CloseHandle(f);
  }
  const int exitCode = 1;
  AppendReport("AutoInst_demo.exe", exitCode);
  return exitCode;
}
