// Starts a stub the way a user would, with the temporary directory and the
// environment a test chooses (Wine ignores the Unix TMP and TEMP), waits for it
// and for every process it started, and reports the exit code.
//
//   launcher [--temp DIR] [--env NAME=VALUE]... [--timeout SECONDS] STUB [CMDLINE]
//
// The stub gets the command line "STUB" CMDLINE, so its WinMain sees exactly
// CMDLINE (empty when none is given). Prints "stub-exit=N" and
// "children-done=0|1"; exits with the stub's exit code, 124 on a timeout and
// 125 when the stub cannot be started.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void MakeDirs(const std::string& dir) {
  std::string part;
  for (size_t i = 0; i < dir.size(); ++i) {
    part += dir[i];
    if ((dir[i] == '\\' || dir[i] == '/') && part.size() > 3) CreateDirectoryA(part.c_str(), nullptr);
  }
  CreateDirectoryA(dir.c_str(), nullptr);
}

DWORD ActiveProcesses(HANDLE job) {
  JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
  ZeroMemory(&info, sizeof info);
  if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr))
    return 0;
  return info.ActiveProcesses;
}

int Usage() {
  std::fprintf(stderr,
               "usage: launcher [--temp DIR] [--env NAME=VALUE]... [--timeout SECONDS] STUB [CMDLINE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  double timeout = 60;
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--temp" && i + 1 < argc) {
      std::string dir = argv[++i];
      MakeDirs(dir);
      SetEnvironmentVariableA("TMP", dir.c_str());
      SetEnvironmentVariableA("TEMP", dir.c_str());
    } else if (a == "--env" && i + 1 < argc) {
      std::string kv = argv[++i];
      size_t eq = kv.find('=');
      if (eq == std::string::npos || eq == 0) return Usage();
      SetEnvironmentVariableA(kv.substr(0, eq).c_str(), kv.substr(eq + 1).c_str());
    } else if (a == "--timeout" && i + 1 < argc) {
      timeout = std::atof(argv[++i]);
    } else {
      break;
    }
  }
  if (i >= argc || argc - i > 2) return Usage();
  std::string stub = argv[i];
  std::string cmd = "\"" + stub + "\"";
  if (i + 1 < argc && argv[i + 1][0] != '\0') cmd += std::string(" ") + argv[i + 1];

  // Every process the stub starts joins its job, so the launcher can wait for
  // the detached ones too; closing the job ends whatever is left.
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits;
  ZeroMemory(&limits, sizeof limits);
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);

  STARTUPINFOA si;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  PROCESS_INFORMATION pi;
  std::string writable = cmd;
  if (!CreateProcessA(stub.c_str(), &writable[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &si, &pi)) {
    std::printf("start-error=%lu\n", GetLastError());
    return 125;
  }
  AssignProcessToJobObject(job, pi.hProcess);
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);

  DWORD limitMs = static_cast<DWORD>(timeout * 1000);
  DWORD start = GetTickCount();
  if (WaitForSingleObject(pi.hProcess, limitMs) != WAIT_OBJECT_0) {
    std::printf("timeout=stub\n");
    std::fflush(stdout);
    TerminateJobObject(job, 124);
    return 124;
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  std::printf("stub-exit=%lu\n", code);

  while (ActiveProcesses(job) > 0) {
    if (GetTickCount() - start > limitMs) {
      std::printf("children-done=0\n");
      std::fflush(stdout);
      TerminateJobObject(job, 124);
      return 124;
    }
    Sleep(20);
  }
  std::printf("children-done=1\n");
  std::fflush(stdout);
  CloseHandle(job);
  return static_cast<int>(code);
}
