#include <windows.h>

#include "archive/resarchive.h"

void CtResArchive::Open() {
  base = nullptr;
  size = 0;
  // module: the process's main module until the application instance holds its own.
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), "EXE_DATA");
  if (!found) return;
  HGLOBAL loaded = LoadResource(module, found);
  if (!loaded) return;
  DWORD bytes = SizeofResource(module, found);
  const void* address = LockResource(loaded);
  if (!address || bytes > 0x7FFFFFFF) return;
  base = (const unsigned char*)address;
  size = (int32_t)bytes;
}
