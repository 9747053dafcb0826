// Both variants live in the portable core so that every program linking the
// core (the stub, the packer, the test programs) gets the right one.
#include "archive/ctmem_sys.h"

#ifdef _WIN32
#include <windows.h>

void* SysBlockAlloc(int bytes, unsigned char** data) {
  HLOCAL handle = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, (SIZE_T)bytes);
  if (!handle) return nullptr;
  void* address = LocalLock(handle);
  if (!address) {
    LocalFree(handle);
    return nullptr;
  }
  *data = (unsigned char*)address;
  return handle;
}

void SysBlockFree(void* handle) {
  LocalUnlock((HLOCAL)handle);
  LocalFree((HLOCAL)handle);
}

#else
#include <cstdlib>

void* SysBlockAlloc(int bytes, unsigned char** data) {
  void* address = std::calloc((size_t)bytes, 1);
  if (!address) return nullptr;
  *data = (unsigned char*)address;
  return address;
}

void SysBlockFree(void* handle) { std::free(handle); }

#endif
