// Starting the setup program: exit codes, start failures, the wait, handles.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "appli/instance.h"
#include "installer/launch.h"
#include "util/log.h"

namespace {

// Built beside the suites; the definition holds the Unix path of the build.
std::string ChildPath() {
  std::string path = SFX_EXITCODE_CHILD_EXE;
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string ChildCommand(const std::string& arguments) {
  return "\"" + ChildPath() + "\" " + arguments;
}

int Launch(const std::string& arguments, int wait) {
  std::string command = ChildCommand(arguments);
  return LaunchProgram(ChildPath().c_str(), &command[0], wait);
}

class CountingSink : public LogSink {
 public:
  void Deliver(const char* text) override {
    ++count;
    last = text;
  }
  int count = 0;
  std::string last;
};

// An application whose pump records that it ran and dispatches what waits.
class TestInstance : public MAIN_INSTANCE {
 public:
  TestInstance() : MAIN_INSTANCE(GetModuleHandleA(nullptr)) {}
  void PumpMessagesFor(int) override {
    ++pumps;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  int pumps = 0;
};

int g_seenByWindow = 0;
LRESULT CALLBACK RecordingProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP + 7) {
    ++g_seenByWindow;
    return 0;
  }
  return DefWindowProcA(h, message, wParam, lParam);
}

std::string TempDirectory(const char* name) {
  char base[MAX_PATH] = {0};
  GetTempPathA(sizeof base, base);
  std::string dir = std::string(base) + name;
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

// The child's record: current directory, process id, thread id.
bool ReadRecord(const std::string& path, std::string* cwd, DWORD* pid, DWORD* tid) {
  HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  char text[MAX_PATH + 64] = {0};
  DWORD got = 0;
  ReadFile(f, text, sizeof text - 1, &got, nullptr);
  CloseHandle(f);
  char* first = std::strchr(text, '\n');
  if (!first) return false;
  *first = 0;
  unsigned long p = 0, t = 0;
  if (std::sscanf(first + 1, "%lu\n%lu\n", &p, &t) != 2) return false;
  *cwd = text;
  *pid = p;
  *tid = t;
  return true;
}

class LaunchTest : public ::testing::Test {
 protected:
  TestInstance application;
};

TEST_F(LaunchTest, WaitedProgramGivesItsExitCode) {
  struct Case {
    const char* arguments;
    int expected;
  } const cases[] = {
      {"0", 0},
      {"3", 3},
      {"-1", -1},
      {"0xFFFFFFFE", -2},
      // 259 is STILL_ACTIVE: only the process handle tells that the program ended.
      {"259", 259},
      {"259 300", 259},
      {"7 300", 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments);
    EXPECT_EQ(c.expected, Launch(c.arguments, 1));
  }
}

TEST_F(LaunchTest, WithoutWaitAStartedProgramGivesOne) {
  for (const char* arguments : {"0", "3", "0 300"}) {
    SCOPED_TRACE(arguments);
    EXPECT_EQ(1, Launch(arguments, 0));
  }
}

TEST_F(LaunchTest, MissingProgramGivesZeroAndOneReportPerChannel) {
  CountingSink on101, on0;
  AddLogSink(&on101, 101);
  AddLogSink(&on0, 0);
  const std::string missing = TempDirectory("launch_missing") + "\\absent.exe";
  DeleteFileA(missing.c_str());
  const int result = LaunchProgram(missing.c_str(), nullptr, 1);
  RemoveLogSink(&on101);
  RemoveLogSink(&on0);
  EXPECT_EQ(0, result);
  EXPECT_EQ(1, on101.count);
  EXPECT_EQ(1, on0.count);
  EXPECT_EQ("Erreur CreateProcess 2", on101.last);
  EXPECT_EQ(on101.last, on0.last);
}

TEST_F(LaunchTest, StartedProgramIsNotReported) {
  CountingSink on0;
  AddLogSink(&on0, 0);
  EXPECT_EQ(3, Launch("3", 1));
  RemoveLogSink(&on0);
  EXPECT_EQ(0, on0.count);
}

// A process or thread object outlives its end while a handle to it is open:
// once both handles are closed, neither can be opened by id any more.
TEST_F(LaunchTest, BothHandlesAreClosed) {
  const std::string dir = TempDirectory("launch_handles");
  for (int wait : {0, 1}) {
    SCOPED_TRACE(wait);
    const std::string record = dir + "\\ids.txt";
    DeleteFileA(record.c_str());
    EXPECT_EQ(wait ? 5 : 1, Launch("5 0 \"" + record + "\"", wait));
    std::string cwd;
    DWORD pid = 0, tid = 0;
    for (int tries = 0; tries < 100 && !ReadRecord(record, &cwd, &pid, &tid); ++tries) Sleep(50);
    ASSERT_NE(0u, pid);
    bool gone = false;
    for (int tries = 0; tries < 100 && !gone; ++tries) {
      HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
      HANDLE thread = OpenThread(SYNCHRONIZE, FALSE, tid);
      gone = !process && !thread;
      if (process) CloseHandle(process);
      if (thread) CloseHandle(thread);
      if (!gone) Sleep(50);
    }
    EXPECT_TRUE(gone);
  }
  // And the program file is free again once the wait is over.
  const std::string copy = dir + "\\child_copy.exe";
  ASSERT_TRUE(CopyFileA(ChildPath().c_str(), copy.c_str(), FALSE));
  std::string command = "\"" + copy + "\" 4";
  EXPECT_EQ(4, LaunchProgram(copy.c_str(), &command[0], 1));
  EXPECT_TRUE(DeleteFileA(copy.c_str())) << GetLastError();
}

TEST_F(LaunchTest, MessagesAreServedDuringTheWait) {
  WNDCLASSA wc = {};
  wc.lpfnWndProc = RecordingProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "LaunchTestRecorder";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_NE(nullptr, window);
  g_seenByWindow = 0;
  PostMessageA(window, WM_APP + 7, 0, 0);
  EXPECT_EQ(9, Launch("9 500", 1));
  EXPECT_EQ(1, g_seenByWindow);
  EXPECT_GE(application.pumps, 1);
  DestroyWindow(window);
}

TEST_F(LaunchTest, ProgramStartsInTheCurrentDirectory) {
  const std::string dir = TempDirectory("launch_cwd");
  char previous[MAX_PATH] = {0};
  GetCurrentDirectoryA(sizeof previous, previous);
  ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
  const std::string record = dir + "\\cwd.txt";
  DeleteFileA(record.c_str());
  EXPECT_EQ(2, Launch("2 0 \"" + record + "\"", 1));
  SetCurrentDirectoryA(previous);
  std::string seen;
  DWORD pid = 0, tid = 0;
  ASSERT_TRUE(ReadRecord(record, &seen, &pid, &tid));
  EXPECT_EQ(0, lstrcmpiA(dir.c_str(), seen.c_str())) << seen;
}

}  // namespace
