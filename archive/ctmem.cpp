#include "archive/ctmem.h"

#include "archive/ctmem_sys.h"

int (*g_ctMemAllowHook)(int bytes) = nullptr;

enum { CTMEM_MIN_BYTES = 256, MEM_ZONE_BYTES = 0x40000 };

CtMem::CtMem(int requested) {
  if (requested == 0) return;
  Allocate(requested < CTMEM_MIN_BYTES ? CTMEM_MIN_BYTES : requested);
}

CtMem::~CtMem() { Release(); }

int CtMem::Allocate(int bytes) {
  // A second call replaces the block rather than leaking the first one.
  Release();
  if (bytes <= 0) return 0;
  if (g_ctMemAllowHook && !g_ctMemAllowHook(bytes)) return 0;
  unsigned char* address = nullptr;
  void* block = SysBlockAlloc(bytes, &address);
  if (!block) return 0;
  handle = block;
  data = address;
  size = bytes;
  return 1;
}

void CtMem::Release() {
  if (!handle) return;
  SysBlockFree(handle);
  handle = nullptr;
  data = nullptr;
  size = 0;
}

CtDynMemZone::CtDynMemZone() : CtMem(MEM_ZONE_BYTES) {}

CtDynMemZone::~CtDynMemZone() { Release(); }
