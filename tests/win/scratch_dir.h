// A directory of the test's own under the Wine prefix's temporary path, with
// TMP and TEMP pointing at it while the test runs, and small file helpers.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace scratch {

inline std::string EnvValue(const char* name, bool* present) {
  char value[32768];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  *present = n > 0 && n < sizeof value;
  return *present ? std::string(value, n) : std::string();
}

inline void RemoveTree(const std::string& dir) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = dir + "\\" + name;
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(h, &found));
    FindClose(h);
  }
  RemoveDirectoryA(dir.c_str());
}

// Names in dir (without "." and ".."), sorted; directories end in '\'.
inline std::vector<std::string> List(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) name += "\\";
    names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool Put(const std::string& path, const std::string& content) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(h, content.data(), DWORD(content.size()), &written, nullptr) &&
            written == content.size();
  CloseHandle(h);
  return ok;
}

// The content of a file; "<missing>" when it cannot be read.
inline std::string Get(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
  CloseHandle(h);
  return content;
}

// Last-write time as a 64-bit FILETIME; 0 when the file cannot be opened.
inline uint64_t LastWrite(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return 0;
  FILETIME t{};
  GetFileTime(h, nullptr, nullptr, &t);
  CloseHandle(h);
  return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

inline uint64_t Now() {
  FILETIME t;
  GetSystemTimeAsFileTime(&t);
  return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

inline std::string CurrentDirectory() {
  char buffer[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  return std::string(buffer, n < sizeof buffer ? n : 0);
}

// Holds a file open for reading without FILE_SHARE_DELETE or
// FILE_SHARE_WRITE, so that it can be neither deleted nor replaced.
class Holder {
 public:
  explicit Holder(const std::string& path)
      : h_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr)) {}
  ~Holder() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

// Creates <prefix temp>\<tag><pid>_<n> and points TMP and TEMP at it (with
// a final backslash); restores both and removes the tree when destroyed.
class Dir {
 public:
  explicit Dir(const char* tag) {
    tmp_ = EnvValue("TMP", &hadTmp_);
    temp_ = EnvValue("TEMP", &hadTemp_);
    char base[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof base, base);
    static int counter = 0;
    path_ = std::string(base, n) + tag + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
    PointTempAt(path_ + "\\");
  }
  ~Dir() {
    SetCurrentDirectoryA("C:\\");
    SetEnvironmentVariableA("TMP", hadTmp_ ? tmp_.c_str() : nullptr);
    SetEnvironmentVariableA("TEMP", hadTemp_ ? temp_.c_str() : nullptr);
    RemoveTree(path_);
  }
  static void PointTempAt(const std::string& value) {
    SetEnvironmentVariableA("TMP", value.c_str());
    SetEnvironmentVariableA("TEMP", value.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_, tmp_, temp_;
  bool hadTmp_ = false, hadTemp_ = false;
};

}  // namespace scratch
