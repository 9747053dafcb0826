// File handles and directory listing.
#pragma once
#include <windows.h>

// Objects whose operations EnumFiles calls derive from this (empty) class;
// the callback is one of their operations, converted with static_cast.
class CtEnumContext {};
typedef int (CtEnumContext::*ENUM_CALLBACK)(const char* path, int userValue);

// Hands the full path of each file matching pattern to (context->*callback);
// a callback result of 0 or a non-zero *stop ends the listing. Names that
// begin with "." are passed over. Returns the number of entries examined
// (directories included, which the callback does not see).
int EnumFiles(const char* pattern, CtEnumContext* context, ENUM_CALLBACK callback,
              int userValue, int* stop);

class H_FILE {
 public:
  H_FILE();
  virtual ~H_FILE();

  int OpenFile(const char* fileName, DWORD disposition, DWORD access);
  // length -1: the text length of buffer.
  DWORD WriteBytes(const void* buffer, int length);
  // Sets the last-write time from the "\r\nDWCL=" / "\r\nDWCH=" keys of
  // info (length 0: up to its terminator); no key, no change.
  void SetTimeFromInfo(const char* info, int length);
  // Closes the file now, so that it can be removed before destruction.
  void Close();

  HANDLE handle;
  char name[256];
  DWORD lastCount;
  DWORD lastError;

  H_FILE(const H_FILE&) = delete;
  H_FILE& operator=(const H_FILE&) = delete;
};

// Test seam: when set, WriteBytes hands WriteFile at most the number of
// bytes it returns for a write of `length`, as a disk that fills up would.
extern int (*g_hFileWriteLimitHook)(int length);
