#include "tools/sfxpack/archive_writer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "archive/resarchive.h"
#include "tools/sfxpack/cli.h"

using sfxpack::EntryInput;
using sfxpack::MakeEntryRecord;
using sfxpack::MakeInfoText;
using sfxpack::WriteArchive;

namespace {

uint32_t Word(const std::vector<uint8_t>& a, size_t at) {
  return (uint32_t)a[at] | (uint32_t)a[at + 1] << 8 | (uint32_t)a[at + 2] << 16 |
         (uint32_t)a[at + 3] << 24;
}

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Pattern(size_t size, unsigned seed) {
  std::vector<uint8_t> v(size);
  unsigned x = seed;
  for (size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    // Mostly repetitive with some noise, so every stage of the encoder has work.
    v[i] = (i % 97 < 60) ? (uint8_t)("abcabcabd"[i % 9]) : (uint8_t)(x >> 24);
  }
  return v;
}

std::vector<EntryInput> SampleEntries(uint32_t mode) {
  std::vector<EntryInput> entries;
  entries.push_back({"AutoInst_Setup.exe", MakeInfoText(0x01D7A2B3C4D5E6F7ull), Pattern(5000, 1), mode});
  entries.push_back({"empty.txt", MakeInfoText(0), {}, mode});
  entries.push_back({"pr\xE9" "face.kpx", "x\r\nDWCL=1\r\nDWCH=2", Bytes("Install=Produit X\r\n"), mode});
  entries.push_back({"one", "", Bytes("z"), mode});
  entries.push_back({"zeros.bin", MakeInfoText(42), std::vector<uint8_t>(70000, 0), mode});
  entries.push_back({"noise.bin", MakeInfoText(43), Pattern(3000, 7), mode});
  return entries;
}

class WriteArchiveModes : public ::testing::TestWithParam<uint32_t> {};

TEST_P(WriteArchiveModes, EveryEntryReadsBackThroughGetEntry) {
  const std::vector<EntryInput> entries = SampleEntries(GetParam());
  std::vector<uint8_t> archive;
  std::string error;
  ASSERT_TRUE(WriteArchive(entries, archive, &error)) << error;

  ASSERT_GE(archive.size(), 272u);
  EXPECT_EQ(Word(archive, 0), 272u);
  // The chain covers the archive exactly: the last entry ends at its end.
  size_t pos = 272, count = 0;
  while (pos + 24 <= archive.size()) {
    ASSERT_GT(Word(archive, pos), 0u);
    EXPECT_EQ(Word(archive, pos + 8), GetParam());
    pos += Word(archive, pos);
    ++count;
  }
  EXPECT_EQ(pos, archive.size());
  EXPECT_EQ(count, entries.size());

  const CtResArchive view(archive.data(), (int32_t)archive.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    char name[64], info[128];
    int32_t length = 0;
    ASSERT_EQ(view.GetEntry((int)i, name, 64, info, 128, nullptr, &length), 1);
    EXPECT_EQ(std::string(name), entries[i].name);
    EXPECT_EQ(std::string(info), entries[i].info);
    ASSERT_EQ(length, (int32_t)entries[i].content.size());
    std::vector<unsigned char> data(entries[i].content.size() + 1, 0xAA);
    int delivered = -1;
    int32_t capacity = length;
    ASSERT_EQ(view.GetEntry((int)i, nullptr, 0, nullptr, 0, data.data(), &capacity, &delivered), 1);
    EXPECT_EQ(delivered, 1);
    EXPECT_TRUE(std::equal(entries[i].content.begin(), entries[i].content.end(), data.begin()));
  }
  EXPECT_EQ(view.GetEntry((int)entries.size(), nullptr, 0, nullptr, 0, nullptr, nullptr), 0);
}

TEST_P(WriteArchiveModes, NamesAndDataAreStoredAsTheModeSays) {
  const uint32_t mode = GetParam();
  std::vector<uint8_t> archive;
  ASSERT_TRUE(WriteArchive({{"ab", "cd", Bytes("hello hello hello hello"), mode}}, archive));
  const uint8_t flip = (mode & 1) ? 0xFF : 0x00;
  EXPECT_EQ(archive[272 + 24], 'a' ^ flip);
  EXPECT_EQ(archive[272 + 25], 'b' ^ flip);
  EXPECT_EQ(archive[272 + 26], 'c' ^ flip);
  EXPECT_EQ(archive[272 + 27], 'd' ^ flip);
  EXPECT_EQ(Word(archive, 272 + 20), 23u);  // content size
  const size_t dataLength = archive.size() - 272 - 28;
  if (mode < 2) {
    ASSERT_EQ(dataLength, 23u);
    EXPECT_EQ(archive[272 + 28], 'h' ^ flip);
  } else {
    // A compressed stream starts with its flags byte; repetition compresses.
    EXPECT_LT(dataLength, 23u);
    EXPECT_EQ(archive[272 + 28] & 0x8F, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, WriteArchiveModes, ::testing::Values(0u, 1u, 2u, 3u));

TEST(MakeEntryRecord, WorkedCheckwordExample) {
  const std::vector<uint8_t> record = MakeEntryRecord("a", "b", 0, 1, Bytes("c"));
  const uint8_t expected[] = {27, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0,
                              1,  0, 0, 0, 1, 0, 0, 0, 'a', 'b', 'c'};
  ASSERT_EQ(record.size(), sizeof expected);
  EXPECT_EQ(Word(record, 4), ~619u);
  EXPECT_EQ(std::memcmp(record.data(), expected, 4), 0);
  EXPECT_EQ(std::memcmp(record.data() + 8, expected + 8, sizeof expected - 8), 0);
}

TEST(MakeEntryRecord, CheckwordAgreesWithTheReaderForEveryMode) {
  struct Case {
    uint32_t mode;
    std::string name, info;
    size_t dataSize;
  } cases[] = {
      {0, "", "", 0}, {1, "x", "", 1}, {2, "n", "i", 16}, {3, "name", "info text", 17},
      {5, "five", "i", 40}, {0, std::string(70, 'q'), std::string(200, 'r'), 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> archive(272, 0);
    archive[0] = 0x10;
    archive[1] = 0x01;
    const std::vector<uint8_t> record = MakeEntryRecord(c.name, c.info, c.mode, 5, Pattern(c.dataSize, 3));
    archive.insert(archive.end(), record.begin(), record.end());
    const CtResArchive view(archive.data(), (int32_t)archive.size());
    char name[300], info[300];
    int32_t length = -1;
    ASSERT_EQ(view.GetEntry(0, name, sizeof name, info, sizeof info, nullptr, &length), 1);
    EXPECT_EQ(std::string(name), c.name);
    EXPECT_EQ(std::string(info), c.info);
    EXPECT_EQ(length, 5);
  }
}

TEST(WriteArchive, RefusesModesAboveThree) {
  std::vector<uint8_t> archive = {1, 2, 3};
  std::string error;
  EXPECT_FALSE(WriteArchive({{"a", "", Bytes("x"), 4}}, archive, &error));
  EXPECT_NE(error.find("mode 4"), std::string::npos);
  EXPECT_EQ(archive, (std::vector<uint8_t>{1, 2, 3}));  // output untouched on failure
}

TEST(WriteArchive, EmptyListGivesTheHeaderAlone) {
  std::vector<uint8_t> archive;
  ASSERT_TRUE(WriteArchive({}, archive));
  ASSERT_EQ(archive.size(), 272u);
  EXPECT_EQ(Word(archive, 0), 272u);
  const CtResArchive view(archive.data(), (int32_t)archive.size());
  EXPECT_EQ(view.GetEntry(0, nullptr, 0, nullptr, 0, nullptr, nullptr), 0);
}

TEST(WriteArchive, IsReproducibleAndReportsProgress) {
  std::vector<uint8_t> first, second;
  std::vector<std::pair<uint64_t, uint64_t>> calls;
  ASSERT_TRUE(WriteArchive(SampleEntries(3), first, nullptr,
                           [&](uint64_t done, uint64_t total) { calls.emplace_back(done, total); }));
  ASSERT_TRUE(WriteArchive(SampleEntries(3), second));
  EXPECT_EQ(first, second);
  ASSERT_EQ(calls.size(), SampleEntries(3).size());
  EXPECT_EQ(calls.back().first, calls.back().second);
  for (size_t i = 1; i < calls.size(); ++i) EXPECT_GE(calls[i].first, calls[i - 1].first);
}

TEST(MakeInfoText, LayoutCarriesBothHalvesAfterTheFirstLine) {
  struct Case {
    uint64_t time;
    const char* low;
    const char* high;
  } cases[] = {
      {0, "0", "0"},
      {(3ull << 32) | 7, "7", "3"},
      {0xFFFFFFFFFFFFFFFFull, "4294967295", "4294967295"},
      {132539328000000000ull, "204832768", "30859217"},  // 2021-01-01 00:00 UTC
  };
  for (const Case& c : cases) {
    const std::string info = MakeInfoText(c.time);
    SCOPED_TRACE(info);
    EXPECT_LE(info.size(), 127u);
    const size_t firstBreak = info.find("\r\n");
    ASSERT_NE(firstBreak, std::string::npos);
    EXPECT_GT(firstBreak, 0u);  // a first line of its own, which holds no key
    EXPECT_EQ(info.substr(firstBreak), std::string("\r\nDWCL=") + c.low + "\r\nDWCH=" + c.high);
    uint64_t read = 0;
    ASSERT_TRUE(sfxpack::FileTimeFromInfo(info, read));
    EXPECT_EQ(read, c.time);
  }
}

}  // namespace
