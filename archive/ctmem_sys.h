// The one place where memory blocks meet the system: the Win32 local heap on
// Windows, the C heap elsewhere.
#pragma once

// Obtains a zero-filled block of bytes (> 0) that stays at one address until
// freed; returns its handle and stores its address in *data, or returns null
// (and leaves *data alone) when the system refuses.
void* SysBlockAlloc(int bytes, unsigned char** data);
void SysBlockFree(void* handle);
