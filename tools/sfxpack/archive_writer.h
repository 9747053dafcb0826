// Writes payload archives in the layout the stub reads.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sfxpack {

struct EntryInput {
  std::string name;              // as stored (Windows-1252), not inverted
  std::string info;              // info text, not inverted
  std::vector<uint8_t> content;  // the decoded content
  uint32_t mode = 3;             // 0..3; compressed modes run the encoder
};

// One entry record (header, name, info, data) with its checkword. For modes 2
// and 3 `data` is the compressed stream; otherwise the content as stored.
std::vector<uint8_t> MakeEntryRecord(const std::string& name, const std::string& info,
                                     uint32_t mode, int32_t contentSize,
                                     const std::vector<uint8_t>& data);

// A whole archive: leading word 272, the reserved area, then the entries.
// Compressed entries are encoded and verified. Returns false on a failure
// (with a reason in *error when given). progress, when given, is called with
// the content bytes done and the total after each entry.
bool WriteArchive(const std::vector<EntryInput>& entries, std::vector<uint8_t>& out,
                  std::string* error = nullptr,
                  const std::function<void(uint64_t done, uint64_t total)>& progress = {});

// Info text for a file time, in the layout the stub reads:
// "<first line>\r\nDWCL=<low>\r\nDWCH=<high>".
std::string MakeInfoText(uint64_t fileTime);

}  // namespace sfxpack
