// What the end-to-end helper programs record about themselves. One line per
// process, appended to the file named by SFX_E2E_LOG, fields separated by tabs:
//   role, module path, current directory, raw command line, exit code, the
//   names of the files in the current directory (comma-separated).
#pragma once
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace e2e {

inline std::string EnvVar(const char* name) {
  char buf[1024];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  if (n == 0 || n >= sizeof buf) return std::string();
  return std::string(buf, n);
}

inline std::string FilesOfCurrentDir() {
  std::string names;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA("*", &fd);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if (!names.empty()) names += ',';
    names += fd.cFileName;
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return names;
}

// Appends the record in one write, so that records of different processes
// never interleave.
inline void Record(const char* role, int exitCode) {
  std::string path = EnvVar("SFX_E2E_LOG");
  if (path.empty()) return;
  char module[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, module, sizeof module);
  char cwd[MAX_PATH] = "";
  GetCurrentDirectoryA(sizeof cwd, cwd);
  std::string line = role;
  line += '\t';
  line += module;
  line += '\t';
  line += cwd;
  line += '\t';
  line += GetCommandLineA();
  line += '\t';
  line += std::to_string(exitCode);
  line += '\t';
  line += FilesOfCurrentDir();
  line += "\r\n";
  // Another helper may hold the file for a moment: retry briefly.
  for (int attempt = 0; attempt < 100; ++attempt) {
    HANDLE f = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      WriteFile(f, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
      CloseHandle(f);
      return;
    }
    Sleep(20);
  }
}

}  // namespace e2e
