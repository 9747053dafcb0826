// Shared by the setup suites: payload archives, a private temporary directory,
// an application instance, the child program, and a watcher that reads and
// answers the dialogs and message boxes of the thread.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "appli/instance.h"
#include "archive/resarchive.h"
#include "tools/sfxpack/archive_writer.h"

namespace setup_support {

struct Entry {
  std::string name;
  std::string content;
  uint32_t mode = 3;
};

inline std::vector<uint8_t> BuildArchive(const std::vector<Entry>& entries) {
  std::vector<sfxpack::EntryInput> inputs;
  for (const Entry& e : entries) {
    sfxpack::EntryInput in;
    in.name = e.name;
    in.info = sfxpack::MakeInfoText(0x01D0000000000000ull);
    in.content.assign(e.content.begin(), e.content.end());
    in.mode = e.mode;
    inputs.push_back(in);
  }
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_TRUE(sfxpack::WriteArchive(inputs, out, &error)) << error;
  return out;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The child program, with its Unix build path made a Windows one.
inline std::string ChildPath() {
  std::string path = SFX_EXITCODE_CHILD_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

inline std::string ChildBytes() { return ReadWholeFile(ChildPath()); }

// An application whose pump dispatches what waits.
class TestInstance : public MAIN_INSTANCE {
 public:
  TestInstance() : MAIN_INSTANCE(GetModuleHandleA(nullptr)) {
    lstrcpynA(nom, "Essai setup", sizeof nom);
  }
  void PumpMessagesFor(int) override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
};

// Points TMP and TEMP at a fresh directory of its own, below the prefix's
// temporary path; the old values come back at the end.
class PrivateTemp {
 public:
  explicit PrivateTemp(const std::string& name) {
    GetEnvironmentVariableA("TMP", oldTmp, sizeof oldTmp);
    GetEnvironmentVariableA("TEMP", oldTemp, sizeof oldTemp);
    char base[MAX_PATH] = {0};
    GetTempPathA(sizeof base, base);
    root = std::string(base) + name;
    Remove(root);
    // name may hold several levels.
    for (size_t at = std::string(base).size(); at != std::string::npos;) {
      at = root.find('\\', at + 1);
      CreateDirectoryA(root.substr(0, at).c_str(), nullptr);
    }
    SetEnvironmentVariableA("TMP", (root + "\\").c_str());
    SetEnvironmentVariableA("TEMP", (root + "\\").c_str());
    GetCurrentDirectoryA(sizeof oldDirectory, oldDirectory);
  }
  ~PrivateTemp() {
    SetCurrentDirectoryA(oldDirectory);
    SetEnvironmentVariableA("TMP", oldTmp);
    SetEnvironmentVariableA("TEMP", oldTemp);
  }
  std::string Extraction() const { return root + "\\tmp_vnd"; }
  // The directory above root.
  std::string Parent() const { return root.substr(0, root.rfind('\\')); }

  // Lines "name|command line|directory" of the programs started so far.
  std::vector<std::string> Started() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadWholeFile(Extraction() + "\\record.txt"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // Waits for a program started without waiting to leave its line.
  std::vector<std::string> WaitStarted(size_t count) const {
    std::vector<std::string> lines = Started();
    for (int tries = 0; tries < 200 && lines.size() < count; ++tries) {
      Sleep(50);
      lines = Started();
    }
    return lines;
  }

  std::string root;

 private:
  static void Remove(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = dir + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(path);
        } else {
          SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileA(path.c_str());
        }
      } while (FindNextFileA(h, &found));
      FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
  }
  char oldTmp[MAX_PATH] = {0};
  char oldTemp[MAX_PATH] = {0};
  char oldDirectory[MAX_PATH] = {0};
};

// What the watcher saw of one dialog window.
struct Seen {
  std::string caption;
  std::string text;  // the longest static text: the message or the question
};

// Every 100 ms, looks at the visible dialog windows of the thread, records
// each one once, and presses the button `press` on it (0: none).
class Watcher {
 public:
  explicit Watcher(int press) {
    current = this;
    this->press = press;
    timer = SetTimer(nullptr, 0, 100, Tick);
  }
  ~Watcher() {
    KillTimer(nullptr, timer);
    current = nullptr;
  }
  std::vector<Seen> seen;

 private:
  static BOOL CALLBACK LongestStatic(HWND child, LPARAM context) {
    char cls[32] = {0};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
      char text[1024] = {0};
      GetWindowTextA(child, text, sizeof text);
      std::string* best = reinterpret_cast<std::string*>(context);
      if (std::string(text).size() > best->size()) *best = text;
    }
    return TRUE;
  }
  static BOOL CALLBACK Visit(HWND h, LPARAM) {
    char cls[32] = {0};
    GetClassNameA(h, cls, sizeof cls);
    if (std::string(cls) != "#32770" || !IsWindowVisible(h)) return TRUE;
    for (HWND done : current->handled)
      if (done == h) return TRUE;
    current->handled.push_back(h);
    Seen s;
    char caption[256] = {0};
    GetWindowTextA(h, caption, sizeof caption);
    s.caption = caption;
    EnumChildWindows(h, LongestStatic, reinterpret_cast<LPARAM>(&s.text));
    current->seen.push_back(s);
    if (current->press) PostMessageA(h, WM_COMMAND, current->press, 0);
    return TRUE;
  }
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current) EnumThreadWindows(GetCurrentThreadId(), Visit, 0);
  }

  static inline Watcher* current = nullptr;
  int press = 0;
  UINT_PTR timer = 0;
  std::vector<HWND> handled;
};

}  // namespace setup_support
