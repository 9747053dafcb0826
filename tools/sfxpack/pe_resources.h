// Reads and rewrites the resource section of a PE32 or PE32+ executable, in
// portable code, so that installers can be assembled on any build machine.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sfxpack {

struct ResourceId {
  bool isName = false;
  uint16_t id = 0;
  std::u16string name;  // when isName

  static ResourceId Number(uint16_t id);
  static ResourceId Text(const std::string& ascii);
  bool Matches(const ResourceId& other) const;  // names compare case-insensitively
  std::string Describe() const;
};

struct ResourceItem {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  uint32_t codePage = 0;
  std::vector<uint8_t> data;
};

// Every resource of the image, in directory order (type, name, language).
// An image without a resource directory gives an empty list.
bool ReadResources(const std::vector<uint8_t>& image, std::vector<ResourceItem>& items,
                   std::string* error = nullptr);

// A copy of the image whose resource directory holds exactly `items`. The new
// resource section is the image's last section: the old one is rewritten in
// place when it already is last, otherwise a section is appended and the old
// one is left unreferenced. Data after the last section (a symbol table or
// other trailing bytes) is kept after the new section. Signed images are
// refused: their signature could only become invalid.
bool WriteResources(const std::vector<uint8_t>& image, const std::vector<ResourceItem>& items,
                    std::vector<uint8_t>& out, std::string* error = nullptr);

// The payload resource: type "EXE_DATA" (a name), id 1. SetPayload replaces
// every language of it by one entry of language 0 holding the archive and
// keeps every other resource.
bool SetPayload(const std::vector<uint8_t>& image, const std::vector<uint8_t>& archive,
                std::vector<uint8_t>& out, std::string* error = nullptr);
bool GetPayload(const std::vector<uint8_t>& image, std::vector<uint8_t>& archive,
                std::string* error = nullptr);

// The optional header's CheckSum of an image, the four bytes at
// checksumOffset counting as zero.
uint32_t ComputePeChecksum(const uint8_t* data, size_t size, size_t checksumOffset);

// File offset of the CheckSum field, or 0 when the bytes are not a PE image.
size_t PeChecksumOffset(const std::vector<uint8_t>& image);

}  // namespace sfxpack
