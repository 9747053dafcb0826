// Both demo programs leave a line in report.txt, in the folder they run in,
// so that one can see afterwards what ran, where, with what, and how it ended.
#pragma once
#include <windows.h>

#include <cstdio>

inline void AppendReport(const char* program, int exitCode) {
  char cwd[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof cwd, cwd);
  char line[2048];
  int n = std::snprintf(line, sizeof line, "%s ran in %s\r\n  command line: %s\r\n  exit code: %d\r\n",
                        program, cwd, GetCommandLineA(), exitCode);
  if (n < 0) return;
  if (n >= static_cast<int>(sizeof line)) n = sizeof line - 1;
  HANDLE f = CreateFileA("report.txt", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(f, line, static_cast<DWORD>(n), &written, nullptr);
  CloseHandle(f);
}
