#include "archive/resarchive.h"

#include <cstring>

#include "archive/decompress.h"
#include "util/log.h"

static int32_t ReadLe32(const unsigned char* p) {
  return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}

static void CopyField(const unsigned char* from, int32_t length, bool inverted, char* buffer,
                      int capacity) {
  if (!buffer || capacity < 1) return;
  int count = length > 0 ? length : 0;
  if (count > capacity - 1) count = capacity - 1;
  const unsigned char flip = inverted ? 0xFF : 0x00;
  for (int i = 0; i < count; ++i) buffer[i] = (char)(from[i] ^ flip);
  buffer[count] = 0;
}

int CtResEntry::ReadName(char* buffer, int capacity) const {
  CopyField(at + ENTRY_HEADER_SIZE, nameLength, mode & 1, buffer, capacity);
  return 1;
}

int CtResEntry::ReadInfo(char* buffer, int capacity) const {
  CopyField(at + ENTRY_HEADER_SIZE + (nameLength > 0 ? nameLength : 0), infoLength, mode & 1,
            buffer, capacity);
  return 1;
}

uint32_t CtResEntry::ComputeCheckword() const {
  uint32_t sum = 0;
  if (size > ENTRY_HEADER_SIZE) {
    const unsigned char* p = at + ENTRY_HEADER_SIZE;
    uint32_t count = (uint32_t)(size - ENTRY_HEADER_SIZE);
    uint32_t j = 0;
    // Weights 1..16 repeat every 16 bytes; whole blocks first.
    for (; j + 16 <= count; j += 16) {
      uint32_t block = 0;
      for (uint32_t w = 0; w < 16; ++w) block += (w + 1) * p[j + w];
      sum += block;
    }
    for (; j < count; ++j) sum += ((j & 15) + 1) * p[j];
  }
  uint32_t total = (uint32_t)size + mode + (uint32_t)nameLength + (uint32_t)infoLength + sum;
  return ~total;
}

int CtResEntry::ReadData(unsigned char* buffer, int capacity, int* delivered) const {
  if (delivered) *delivered = 0;
  if (capacity < contentSize) return 0;
  if (ComputeCheckword() != checkword) return 0;
  if (mode > 3) return 0;
  int64_t skip = (int64_t)ENTRY_HEADER_SIZE + (nameLength > 0 ? nameLength : 0) +
                 (infoLength > 0 ? infoLength : 0);
  const unsigned char* stored = at + skip;
  int32_t storedLength = skip < size ? (int32_t)(size - skip) : 0;
  if (mode >= 2) {
    int error = 0;
    int written = Decompress(stored, storedLength, buffer, contentSize, &error);
    if (delivered) *delivered = error == 0 && written == contentSize;
    return 1;
  }
  int count = storedLength < capacity ? storedLength : capacity;
  if (count < 0) count = 0;
  const unsigned char flip = mode == MODE_INVERTED ? 0xFF : 0x00;
  for (int i = 0; i < count; ++i) buffer[i] = stored[i] ^ flip;
  buffer[count] = 0;
  // Stored data shorter or longer than the declared content is damaged.
  if (delivered) *delivered = storedLength == contentSize;
  return 1;
}

int CtResArchive::FindEntry(int index, CtResEntry* entry) const {
  if (!base || size < 4 || index < 0) return 0;
  // 64-bit positions: no field value can wrap the walk around.
  int64_t position = ReadLe32(base);
  // Anything that is not well formed ends the archive where it stands.
  if (position < 0) return 0;
  for (int i = 0;; ++i) {
    if (position + ENTRY_HEADER_SIZE > size) return 0;
    const unsigned char* at = base + position;
    int32_t entrySize = ReadLe32(at);
    if (entrySize == 0) return 0;
    int32_t nameLength = ReadLe32(at + 12);
    int32_t infoLength = ReadLe32(at + 16);
    int32_t contentSize = ReadLe32(at + 20);
    if (entrySize < ENTRY_HEADER_SIZE || position + entrySize > size) return 0;
    if (nameLength < 0 || infoLength < 0 || contentSize < 0) return 0;
    if ((int64_t)ENTRY_HEADER_SIZE + nameLength + infoLength > entrySize) return 0;
    if (i == index) {
      entry->at = at;
      entry->size = entrySize;
      entry->checkword = (uint32_t)ReadLe32(at + 4);
      entry->mode = (uint32_t)ReadLe32(at + 8);
      entry->nameLength = nameLength;
      entry->infoLength = infoLength;
      entry->contentSize = contentSize;
      return 1;
    }
    position += entrySize;
  }
}

int CtResArchive::GetEntry(int index, char* name, int nameCapacity, char* info, int infoCapacity,
                           unsigned char* data, int32_t* dataLength, int* dataResult) const {
  CtResEntry entry;
  if (!FindEntry(index, &entry)) return 0;
  if (entry.ComputeCheckword() != entry.checkword) {
    LogReport(69, "Checkword erreur");
    return 0;
  }
  if (name) entry.ReadName(name, nameCapacity);
  if (info) entry.ReadInfo(info, infoCapacity);
  if (dataLength) {
    if (data) {
      int delivered = 0;
      entry.ReadData(data, *dataLength, &delivered);
      if (dataResult) *dataResult = delivered;
    }
    *dataLength = entry.contentSize;
  }
  return 1;
}
