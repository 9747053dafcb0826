#include "util/files_win.h"

#include "util/filetime.h"
#include "util/strings.h"

int (*g_hFileWriteLimitHook)(int length) = nullptr;

namespace {

enum { kNameCapacity = 64, kPathCapacity = 256 };

// Length of the directory part of a path: up to and including its last
// backslash or colon, as ReplaceFileName keeps it.
int DirectoryPartLength(const char* path) {
  int length = 0;
  for (int i = 0; path[i]; ++i)
    if (path[i] == '\\' || path[i] == ':') length = i + 1;
  return length;
}

}  // namespace

int EnumFiles(const char* pattern, CtEnumContext* context, ENUM_CALLBACK callback,
              int userValue, int* stop) {
  // A pattern whose directory part leaves no room for a 63-character name in
  // the full-path text is refused before any search: nothing is listed.
  if (!pattern || DirectoryPartLength(pattern) + kNameCapacity > kPathCapacity) return 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern, &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  char name[kNameCapacity];
  char fullPath[kPathCapacity];
  int count = 0;
  do {
    if (stop && *stop) break;
    if (found.cFileName[0] == '.') continue;
    ++count;
    StrCopyN(name, found.cFileName, sizeof name);
    ReplaceFileName(pattern, name, fullPath);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    if ((context->*callback)(fullPath, userValue) == 0) break;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

H_FILE::H_FILE() : handle(INVALID_HANDLE_VALUE), name{0}, lastCount(0), lastError(0) {}

H_FILE::~H_FILE() { Close(); }

void H_FILE::Close() {
  if (handle != INVALID_HANDLE_VALUE) {
    CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
  }
}

int H_FILE::OpenFile(const char* fileName, DWORD disposition, DWORD access) {
  StrCopyN(name, fileName, sizeof name);
  handle = CreateFileA(fileName, access, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) lastError = GetLastError();
  return handle != INVALID_HANDLE_VALUE ? 1 : 0;
}

DWORD H_FILE::WriteBytes(const void* buffer, int length) {
  if (handle == INVALID_HANDLE_VALUE) return 0;
  if (length == -1) length = StrLength(static_cast<const char*>(buffer));
  // Any other negative length would read far past the buffer: write nothing.
  if (length < 0) return 0;
  int toWrite = length;
  if (g_hFileWriteLimitHook) {
    int limit = g_hFileWriteLimitHook(length);
    if (limit >= 0 && limit < toWrite) toWrite = limit;
  }
  if (!WriteFile(handle, buffer, DWORD(toWrite), &lastCount, nullptr)) lastError = GetLastError();
  return lastCount;
}

void H_FILE::SetTimeFromInfo(const char* info, int length) {
  if (handle == INVALID_HANDLE_VALUE) return;
  uint32_t low = 0, high = 0;
  if (!FileTimeFromInfo(info, length, &low, &high)) return;
  FILETIME lastWrite;
  lastWrite.dwLowDateTime = low;
  lastWrite.dwHighDateTime = high;
  SetFileTime(handle, nullptr, nullptr, &lastWrite);
}
