// Read-only view of the payload archive and access to its entries by index.
#pragma once
#include <cstdint>

enum {
  ENTRY_HEADER_SIZE = 24,
  MODE_PLAIN = 0,
  MODE_INVERTED = 1,
  MODE_COMPRESSED = 2,
  MODE_COMPRESSED_INVERTED = 3,
};

class CtResEntry {
 public:
  // A view of one entry of the archive; only built by CtResArchive for
  // entries whose header and fields lie wholly inside the archive.
  const unsigned char* at = nullptr;
  int32_t size = 0;
  uint32_t checkword = 0;
  uint32_t mode = 0;
  int32_t nameLength = 0;
  int32_t infoLength = 0;
  int32_t contentSize = 0;

  int ReadName(char* buffer, int capacity) const;
  int ReadInfo(char* buffer, int capacity) const;
  // Returns 1 whenever it got as far as copying or decoding, whatever the
  // decoder said; delivered, when given, receives 1 only when the buffer now
  // holds exactly the content (contentSize bytes), else 0.
  int ReadData(unsigned char* buffer, int capacity, int* delivered = nullptr) const;
  uint32_t ComputeCheckword() const;
};

class CtResArchive {
 public:
  CtResArchive() = default;
  CtResArchive(const void* base, int32_t size) : base((const unsigned char*)base), size(size) {}

  // Windows only: the view over resource "EXE_DATA" id 1 of the application's module.
  void Open();

  // dataResult, when given, receives 1 when the content was delivered into
  // data, 0 when it was asked for and could not be (buffer too small, unknown
  // mode, decoding error), and is left alone when no data was asked for.
  int GetEntry(int index, char* name, int nameCapacity, char* info, int infoCapacity,
               unsigned char* data, int32_t* dataLength, int* dataResult = nullptr) const;

  // The entry at index when the chain reaches it through well-formed entries;
  // no checkword test. Returns 0 at the end of the archive.
  int FindEntry(int index, CtResEntry* entry) const;

  const unsigned char* base = nullptr;
  int32_t size = 0;
};
