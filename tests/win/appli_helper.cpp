// A second process for win_appli_test: sends the registered messages the way
// another program would. Argument: the test application's main window (hex).
// Sends "VndPassLogMess" by broadcast with channel 101 in the low word, then
// broadcasts "VndExe" 0xFFFF once with its own window (the test answers) and
// once with the test's window (no answer). Exit code: the number of answers
// naming the test's window, plus 16 for every other answer.
#include <windows.h>

#include <cstdlib>

static UINT g_vndExe;
static HWND g_attendu;
static int g_bonnes, g_autres;

static LRESULT CALLBACK Procedure(HWND h, UINT msg, WPARAM w, LPARAM l) {
  if (msg == g_vndExe && g_vndExe) {
    if (w == 256) {
      if (reinterpret_cast<HWND>(l) == g_attendu)
        ++g_bonnes;
      else
        ++g_autres;
    }
    return 0;
  }
  return DefWindowProcA(h, msg, w, l);
}

int main(int argc, char** argv) {
  if (argc < 2) return 255;
  g_attendu = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[1], nullptr, 16)));
  g_vndExe = RegisterWindowMessageA("VndExe");
  UINT log = RegisterWindowMessageA("VndPassLogMess");

  WNDCLASSA c = {};
  c.lpfnWndProc = Procedure;
  c.hInstance = GetModuleHandleA(nullptr);
  c.lpszClassName = "AppliHelper";
  RegisterClassA(&c);
  HWND propre = CreateWindowExA(0, "AppliHelper", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, c.hInstance, nullptr);
  if (!propre) return 254;

  SendMessageA(HWND_BROADCAST, log, MAKEWPARAM(101, 1), 0);
  SendMessageA(HWND_BROADCAST, g_vndExe, 0xFFFF, reinterpret_cast<LPARAM>(propre));
  SendMessageA(HWND_BROADCAST, g_vndExe, 0xFFFF, reinterpret_cast<LPARAM>(g_attendu));
  DestroyWindow(propre);
  return g_bonnes + 16 * g_autres;
}
