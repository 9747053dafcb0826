// Finds a dialog or message box of another process, reports what it shows and
// presses one of its buttons, as a user would.
//
//   dlgclick [--class C] [--title T] [--has TEXT] [--timeout SECONDS]
//            [--ready-file R] [--found-file F] [--go-file G] [--suspend]
//            [--suspend-after MS] [--press ID] [--poll-ms MS]
//
// Creates R once it is looking (so that a caller can start the program only
// then).
// Waits for a visible top-level window of class C and title T, one of whose
// children shows TEXT (all optional). Then writes to stdout and to F, in UTF-8:
//   window<TAB>class<TAB>title<TAB>left,top,right,bottom<TAB>screenW,screenH
//   child<TAB>id<TAB>class<TAB>text<TAB>visible       (one per child)
// Texts are escaped: \r, \n, \t and \\. Arguments are best kept ASCII (Wine
// converts them from the Unix locale).
// With --suspend, the window's thread is held still until G exists (so that a
// screenshot can catch a dialog that is busy), MS milliseconds after the window
// showed up (default 0: at once); without it, G is only waited for. Then button ID is pressed. Exits 0 when the window was found, 1 on a
// timeout.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Want {
  std::wstring cls, title, has;
  HWND found = nullptr;
};

std::wstring Wide(const char* text) {
  wchar_t buf[1024];
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, buf, 1024);
  return n > 0 ? std::wstring(buf) : std::wstring();
}

// UTF-8, with CR, LF, tab and backslash escaped so that a record stays on
// one line.
std::string Utf8(const std::wstring& w) {
  char buf[4096];
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
  std::string out;
  for (int i = 0; n > 0 && buf[i]; ++i) {
    switch (buf[i]) {
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default: out += buf[i];
    }
  }
  return out;
}

std::wstring TextOf(HWND h) {
  // The text the window manager holds: no message to the (maybe busy or
  // suspended) owner of the window.
  wchar_t buf[1024] = L"";
  InternalGetWindowText(h, buf, 1024);
  return buf;
}

std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = L"";
  GetClassNameW(h, buf, 256);
  return buf;
}

BOOL CALLBACK ChildHas(HWND child, LPARAM lp) {
  Want* w = reinterpret_cast<Want*>(lp);
  if (TextOf(child).find(w->has) != std::wstring::npos) {
    w->found = child;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK TopLevel(HWND h, LPARAM lp) {
  Want* w = reinterpret_cast<Want*>(lp);
  if (!IsWindowVisible(h)) return TRUE;
  if (!w->cls.empty() && ClassOf(h) != w->cls) return TRUE;
  if (!w->title.empty()) {
    if (w->title != TextOf(h)) return TRUE;
  }
  if (!w->has.empty()) {
    Want probe = *w;
    probe.found = nullptr;
    EnumChildWindows(h, ChildHas, reinterpret_cast<LPARAM>(&probe));
    if (!probe.found) return TRUE;
  }
  w->found = h;
  return FALSE;
}

std::string report;

BOOL CALLBACK Describe(HWND child, LPARAM) {
  report += "child\t" + std::to_string(GetDlgCtrlID(child)) + "\t" + Utf8(ClassOf(child)) + "\t" +
            Utf8(TextOf(child)) + "\t" + (IsWindowVisible(child) ? "1" : "0") + "\n";
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  Want want;
  double timeout = 30;
  std::string readyFile, foundFile, goFile;
  int pollMs = 10;
  bool suspend = false;
  int suspendAfterMs = 0;
  int press = -1;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    bool more = i + 1 < argc;
    if (a == "--class" && more) want.cls = Wide(argv[++i]);
    else if (a == "--title" && more) want.title = Wide(argv[++i]);
    else if (a == "--has" && more) want.has = Wide(argv[++i]);
    else if (a == "--timeout" && more) timeout = std::atof(argv[++i]);
    else if (a == "--ready-file" && more) readyFile = argv[++i];
    else if (a == "--found-file" && more) foundFile = argv[++i];
    else if (a == "--poll-ms" && more) pollMs = std::atoi(argv[++i]);
    else if (a == "--go-file" && more) goFile = argv[++i];
    else if (a == "--press" && more) press = std::atoi(argv[++i]);
    else if (a == "--suspend") suspend = true;
    else if (a == "--suspend-after" && more) suspendAfterMs = std::atoi(argv[++i]);
    else {
      std::fprintf(stderr, "dlgclick: unknown argument %s\n", argv[i]);
      return 2;
    }
  }

  DWORD start = GetTickCount();
  DWORD limit = static_cast<DWORD>(timeout * 1000);
  if (!readyFile.empty()) {
    FILE* f = std::fopen(readyFile.c_str(), "wb");
    if (f) std::fclose(f);
  }
  while (!want.found) {
    EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&want));
    if (want.found) break;
    if (GetTickCount() - start > limit) {
      std::printf("not-found\n");
      return 1;
    }
    Sleep(static_cast<DWORD>(pollMs));
  }
  HWND h = want.found;

  HANDLE thread = nullptr;
  if (suspend) {
    if (suspendAfterMs > 0) Sleep(static_cast<DWORD>(suspendAfterMs));
    DWORD tid = GetWindowThreadProcessId(h, nullptr);
    thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, tid);
    if (thread) SuspendThread(thread);
  }

  RECT r;
  GetWindowRect(h, &r);
  std::wstring title = TextOf(h);
  report = "window\t" + Utf8(ClassOf(h)) + "\t" + Utf8(title) + "\t" + std::to_string(r.left) + "," +
           std::to_string(r.top) + "," + std::to_string(r.right) + "," + std::to_string(r.bottom) +
           "\t" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "," +
           std::to_string(GetSystemMetrics(SM_CYSCREEN)) + "\n";
  EnumChildWindows(h, Describe, 0);
  std::fwrite(report.data(), 1, report.size(), stdout);
  std::fflush(stdout);
  if (!foundFile.empty()) {
    FILE* f = std::fopen(foundFile.c_str(), "wb");
    if (f) {
      std::fwrite(report.data(), 1, report.size(), f);
      std::fclose(f);
    }
  }

  if (!goFile.empty()) {
    while (GetFileAttributesA(goFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (GetTickCount() - start > limit) break;
      Sleep(10);
    }
  }
  if (thread) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
  if (press >= 0) {
    HWND button = GetDlgItem(h, press);
    PostMessageA(h, WM_COMMAND, MAKEWPARAM(press, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }
  return 0;
}
