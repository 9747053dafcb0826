#include "tools/sfxpack/archive_writer.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "archive/resarchive.h"
#include "tools/sfxpack/encoder.h"

namespace sfxpack {

namespace {

const int32_t kFirstEntryOffset = 272;

void PutWord(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = (uint8_t)value;
  out[at + 1] = (uint8_t)(value >> 8);
  out[at + 2] = (uint8_t)(value >> 16);
  out[at + 3] = (uint8_t)(value >> 24);
}

void SetError(std::string* error, const std::string& text) {
  if (error) *error = text;
}

// Reads the archive back through the stub's own entry access and compares
// every field with what was meant to be written.
bool VerifyArchive(const std::vector<EntryInput>& entries, const std::vector<uint8_t>& out,
                   std::string* error) {
  CtResArchive view(out.data(), (int32_t)out.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const EntryInput& e = entries[i];
    std::vector<char> name(e.name.size() + 1), info(e.info.size() + 1);
    std::vector<unsigned char> data(e.content.size() + 1);
    int32_t length = (int32_t)e.content.size();
    int delivered = 0;
    int found = view.GetEntry((int)i, name.data(), (int)name.size(), info.data(), (int)info.size(),
                              data.data(), &length, &delivered);
    if (!found || !delivered || length != (int32_t)e.content.size() ||
        std::memcmp(name.data(), e.name.c_str(), name.size()) != 0 ||
        std::memcmp(info.data(), e.info.c_str(), info.size()) != 0 ||
        (!e.content.empty() && std::memcmp(data.data(), e.content.data(), e.content.size()) != 0)) {
      SetError(error, "entry '" + e.name + "' does not read back as written");
      return false;
    }
  }
  if (view.GetEntry((int)entries.size(), nullptr, 0, nullptr, 0, nullptr, nullptr)) {
    SetError(error, "archive reads back with more entries than written");
    return false;
  }
  return true;
}

}  // namespace

std::vector<uint8_t> MakeEntryRecord(const std::string& name, const std::string& info,
                                     uint32_t mode, int32_t contentSize,
                                     const std::vector<uint8_t>& data) {
  const size_t total = 24 + name.size() + info.size() + data.size();
  std::vector<uint8_t> record(total, 0);
  const uint8_t flip = (mode & 1) ? 0xFF : 0x00;
  size_t at = 24;
  for (unsigned char c : name) record[at++] = (uint8_t)(c ^ flip);
  for (unsigned char c : info) record[at++] = (uint8_t)(c ^ flip);
  if (!data.empty()) std::memcpy(&record[at], data.data(), data.size());

  // Weights 1..16 run from the first name byte; everything wraps modulo 2^32.
  uint32_t sum = 0;
  for (size_t j = 24; j < total; ++j) sum += (uint32_t)((j - 24) % 16 + 1) * record[j];
  const uint32_t t = (uint32_t)total + mode + (uint32_t)name.size() + (uint32_t)info.size() + sum;

  PutWord(record, 0, (uint32_t)total);
  PutWord(record, 4, ~t);
  PutWord(record, 8, mode);
  PutWord(record, 12, (uint32_t)name.size());
  PutWord(record, 16, (uint32_t)info.size());
  PutWord(record, 20, (uint32_t)contentSize);
  return record;
}

bool WriteArchive(const std::vector<EntryInput>& entries, std::vector<uint8_t>& out,
                  std::string* error,
                  const std::function<void(uint64_t done, uint64_t total)>& progress) {
  uint64_t total = 0, done = 0;
  for (const EntryInput& e : entries) total += e.content.size();

  // The area between the leading word and the first entry is not read by the
  // stub; it stays zero so that the output depends on the entries alone.
  std::vector<uint8_t> archive(kFirstEntryOffset, 0);
  PutWord(archive, 0, (uint32_t)kFirstEntryOffset);

  for (const EntryInput& e : entries) {
    if (e.mode > 3) {
      SetError(error, "entry '" + e.name + "': mode " + std::to_string(e.mode) + " cannot be read");
      return false;
    }
    if (e.content.size() > (size_t)INT32_MAX || e.name.size() > (size_t)INT32_MAX / 4 ||
        e.info.size() > (size_t)INT32_MAX / 4) {
      SetError(error, "entry '" + e.name + "' is too large");
      return false;
    }
    std::vector<uint8_t> data;
    if (e.mode >= 2) {
      if (!EncodeBest(e.content.data(), e.content.size(), data)) {
        SetError(error, "entry '" + e.name + "': no compressed stream decodes to the content");
        return false;
      }
    } else {
      data = e.content;
      if (e.mode == 1)
        for (uint8_t& b : data) b = (uint8_t)~b;
    }
    if (24 + e.name.size() + e.info.size() + data.size() > (size_t)INT32_MAX ||
        archive.size() + 24 + e.name.size() + e.info.size() + data.size() > (size_t)INT32_MAX) {
      SetError(error, "archive too large at entry '" + e.name + "' (limit 2 GiB)");
      return false;
    }
    std::vector<uint8_t> record =
        MakeEntryRecord(e.name, e.info, e.mode, (int32_t)e.content.size(), data);
    archive.insert(archive.end(), record.begin(), record.end());
    done += e.content.size();
    if (progress) progress(done, total);
  }

  if (!VerifyArchive(entries, archive, error)) return false;
  out.swap(archive);
  return true;
}

std::string MakeInfoText(uint64_t fileTime) {
  char text[128];
  std::snprintf(text, sizeof text, "sfxpack\r\nDWCL=%lu\r\nDWCH=%lu",
                (unsigned long)(uint32_t)fileTime, (unsigned long)(uint32_t)(fileTime >> 32));
  return text;
}

}  // namespace sfxpack
