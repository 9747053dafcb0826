// Child program for the launch tests: exits with the code given as its first
// argument, after sleeping the milliseconds given as its second, if any.
// With a third argument it first writes into that file its current directory,
// process id and thread id, one per line.
// Named AutoInst_*.exe or install.exe, it plays a program the stub starts: it
// appends "<its file name>|<its command line>|<its current directory>" to
// record.txt in its current directory and exits with the number in
// exitcode.txt there (0 without it).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int PlayStartedProgram(const char* name) {
  char directory[MAX_PATH] = {0};
  GetCurrentDirectoryA(sizeof directory, directory);
  if (FILE* f = std::fopen("record.txt", "ab")) {
    std::fprintf(f, "%s|%s|%s\n", name, GetCommandLineA(), directory);
    std::fclose(f);
  }
  unsigned long code = 0;
  if (FILE* f = std::fopen("exitcode.txt", "rb")) {
    char text[32] = {0};
    if (std::fgets(text, sizeof text, f)) code = std::strtoul(text, nullptr, 0);
    std::fclose(f);
  }
  return static_cast<int>(code);
}

}  // namespace

int main(int argc, char** argv) {
  char module[MAX_PATH] = {0};
  GetModuleFileNameA(nullptr, module, sizeof module);
  const char* name = std::strrchr(module, '\\');
  name = name ? name + 1 : module;
  if (std::strncmp(name, "AutoInst_", 9) == 0 || lstrcmpiA(name, "install.exe") == 0)
    return PlayStartedProgram(name);
  const unsigned long code = argc > 1 ? std::strtoul(argv[1], nullptr, 0) : 0;
  const long sleepMs = argc > 2 ? std::strtol(argv[2], nullptr, 0) : 0;
  if (argc > 3) {
    char directory[MAX_PATH] = {0};
    GetCurrentDirectoryA(sizeof directory, directory);
    if (FILE* f = std::fopen(argv[3], "wb")) {
      std::fprintf(f, "%s\n%lu\n%lu\n", directory, GetCurrentProcessId(), GetCurrentThreadId());
      std::fclose(f);
    }
  }
  if (sleepMs > 0) Sleep(static_cast<DWORD>(sleepMs));
  return static_cast<int>(code);
}
