// Arbitrary bytes as the archive view: walk it with GetEntry, reading names,
// info texts and data into buffers of exactly the capacity given.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "archive/resarchive.h"

static void CheckText(const char* text, int capacity) {
  if (strnlen(text, (size_t)capacity) >= (size_t)capacity) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 24)) return 0;
  uint8_t* copy = (uint8_t*)std::malloc(size ? size : 1);
  if (size) std::memcpy(copy, data, size);
  const CtResArchive archive(copy, (int32_t)size);

  for (int index = -1; index < 40; ++index) {
    CtResEntry entry;
    const int known = archive.FindEntry(index, &entry);
    char name[64], info[128];
    int32_t length = -7;
    int found = archive.GetEntry(index, name, sizeof name, info, sizeof info, nullptr, &length);
    if (found && !known) std::abort();
    if (!found) {
      if (length != -7) std::abort();
      continue;
    }
    CheckText(name, sizeof name);
    CheckText(info, sizeof info);
    if (length != entry.contentSize || length < 0) std::abort();

    // Small exact-size name and info buffers.
    int capacity = 1 + index % 7 + (index < 0 ? 7 : 0);
    char* small = (char*)std::malloc((size_t)capacity);
    if (archive.GetEntry(index, small, capacity, nullptr, 0, nullptr, nullptr) != 1) std::abort();
    CheckText(small, capacity);
    if (archive.GetEntry(index, nullptr, 0, small, capacity, nullptr, nullptr) != 1) std::abort();
    CheckText(small, capacity);
    std::free(small);

    if (length > (1 << 20)) continue;
    // Capacity = content size: the buffer holds one more byte for the zero
    // that stored modes append.
    uint8_t* buffer = (uint8_t*)std::malloc((size_t)length + 1);
    std::memset(buffer, 0xA5, (size_t)length + 1);
    int32_t asked = length;
    int delivered = -1;
    if (archive.GetEntry(index, nullptr, 0, nullptr, 0, buffer, &asked, &delivered) != 1) std::abort();
    if (asked != length || (delivered != 0 && delivered != 1)) std::abort();
    if (delivered && entry.mode > 3) std::abort();

    // One byte short: nothing written, not delivered.
    if (length > 0) {
      std::memset(buffer, 0x5A, (size_t)length);
      asked = length - 1;
      delivered = -1;
      if (archive.GetEntry(index, nullptr, 0, nullptr, 0, buffer, &asked, &delivered) != 1) std::abort();
      if (delivered != 0 || asked != length) std::abort();
      for (int32_t i = 0; i < length; ++i)
        if (buffer[i] != 0x5A) std::abort();
    }
    std::free(buffer);
  }
  std::free(copy);
  return 0;
}
