#include "archive/resarchive.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tests/native/log_recorder.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutLe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (uint8_t)(v >> (8 * i));
}
uint32_t GetLe32(const Bytes& b, size_t at) {
  return (uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}

// Straight from the definition: complement of size + mode + lengths + the
// weighted sum of the stored bytes after the header.
uint32_t Checkword(const Bytes& entry) {
  uint32_t sum = 0;
  for (size_t j = 24; j < entry.size(); ++j) sum += (uint32_t)((j - 24) % 16 + 1) * entry[j];
  return ~(GetLe32(entry, 0) + GetLe32(entry, 8) + GetLe32(entry, 12) + GetLe32(entry, 16) + sum);
}

void Reseal(Bytes& entry) { PutLe32(entry, 4, Checkword(entry)); }

// name and info as they read back; data as stored (a stream for modes 2, 3).
Bytes Entry(const std::string& name, const std::string& info, uint32_t mode, int32_t contentSize,
            const Bytes& data) {
  Bytes e(24);
  uint8_t flip = (mode & 1) ? 0xFF : 0x00;
  for (char c : name) e.push_back((uint8_t)c ^ flip);
  for (char c : info) e.push_back((uint8_t)c ^ flip);
  for (uint8_t b : data) e.push_back((mode == 1) ? b ^ 0xFF : b);
  PutLe32(e, 0, (uint32_t)e.size());
  PutLe32(e, 8, mode);
  PutLe32(e, 12, (uint32_t)name.size());
  PutLe32(e, 16, (uint32_t)info.size());
  PutLe32(e, 20, (uint32_t)contentSize);
  Reseal(e);
  return e;
}

Bytes Stored(const std::string& name, const std::string& content, uint32_t mode = 0) {
  return Entry(name, "info:" + name, mode, (int32_t)content.size(), Bytes(content.begin(), content.end()));
}

// Leading word 272, the reserved area, the entries back to back.
Bytes Archive(const std::vector<Bytes>& entries) {
  Bytes a(272, 0);
  PutLe32(a, 0, 272);
  for (const Bytes& e : entries) a.insert(a.end(), e.begin(), e.end());
  return a;
}

// Where each entry starts inside Archive(entries).
size_t OffsetOf(const std::vector<Bytes>& entries, size_t index) {
  size_t at = 272;
  for (size_t i = 0; i < index; ++i) at += entries[i].size();
  return at;
}

// An archive copied to the heap at its exact size, so that any read past the
// view is caught by the sanitizers.
struct View {
  explicit View(const Bytes& bytes) : storage(bytes), archive(storage.data(), (int32_t)storage.size()) {}
  Bytes storage;
  CtResArchive archive;
};

struct Got {
  int found;
  std::string name, info;
  int32_t length;
  Bytes data;
  int dataResult;
};

Got Fetch(const CtResArchive& a, int index, int nameCap = 64, int infoCap = 128, int dataCap = 64) {
  Got g{0, "", "", dataCap, Bytes((size_t)dataCap + 1, 0xA5), -1};
  std::vector<char> name((size_t)nameCap, '#'), info((size_t)infoCap, '#');
  g.found = a.GetEntry(index, name.data(), nameCap, info.data(), infoCap, g.data.data(), &g.length,
                       &g.dataResult);
  if (g.found) {
    g.name = name.data();
    g.info = info.data();
  }
  return g;
}

TEST(CtResEntry, CheckwordWorkedExample) {
  Bytes e = Entry("a", "b", 0, 1, {0x63});
  ASSERT_EQ(e.size(), 27u);
  View v(Archive({e}));
  CtResEntry entry;
  ASSERT_EQ(v.archive.FindEntry(0, &entry), 1);
  EXPECT_EQ(entry.size, 27);
  EXPECT_EQ(entry.ComputeCheckword(), ~619u);
  EXPECT_EQ(entry.checkword, ~619u);
  Got g = Fetch(v.archive, 0);
  EXPECT_EQ(g.found, 1);
  EXPECT_EQ(g.name, "a");
  EXPECT_EQ(g.info, "b");
  EXPECT_EQ(g.length, 1);
  EXPECT_EQ(g.data[0], 0x63);
  EXPECT_EQ(g.data[1], 0);
  EXPECT_EQ(g.dataResult, 1);
}

TEST(CtResEntry, CheckwordWeightsRepeatEvery16Bytes) {
  // 40 data bytes of 1: weights 1..16, 1..16, 1..8.
  Bytes e = Entry("", "", 0, 40, Bytes(40, 1));
  CtResEntry entry;
  entry.at = e.data();
  entry.size = (int32_t)e.size();
  entry.mode = 0;
  EXPECT_EQ(entry.ComputeCheckword(), ~(64u + 136u + 136u + 36u));
  entry.size = 24;
  EXPECT_EQ(entry.ComputeCheckword(), ~24u);
  entry.size = 10;  // no bytes summed at all
  EXPECT_EQ(entry.ComputeCheckword(), ~10u);
}

TEST(CtResArchive, WalksEntriesByIndex) {
  std::vector<Bytes> entries = {Stored("one.txt", "first"), Stored("two.txt", "second", 1),
                                Stored("three.txt", "")};
  View v(Archive(entries));
  const char* names[] = {"one.txt", "two.txt", "three.txt"};
  const char* contents[] = {"first", "second", ""};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    Got g = Fetch(v.archive, i);
    EXPECT_EQ(g.found, 1);
    EXPECT_EQ(g.name, names[i]);
    EXPECT_EQ(g.info, std::string("info:") + names[i]);
    EXPECT_EQ(g.length, (int32_t)strlen(contents[i]));
    EXPECT_EQ(std::string((char*)g.data.data()), contents[i]);
    EXPECT_EQ(g.dataResult, 1);
  }
  for (int index : {3, 4, 100, -1, -100}) EXPECT_EQ(Fetch(v.archive, index).found, 0) << index;
}

TEST(CtResArchive, NamesReadAsStoredOrComplemented) {
  const struct {
    uint32_t mode;
    bool complemented;
  } cases[] = {{0, false}, {1, true}, {2, false}, {3, true}, {4, false}, {5, true}, {0x80000001u, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    // The stored name byte is 0x9E in every case.
    std::string name = c.complemented ? "a" : "\x9E";
    View v(Archive({Entry(name, "i", c.mode, 0, {0x00})}));
    Got g = Fetch(v.archive, 0);
    EXPECT_EQ(g.found, 1);
    ASSERT_EQ(g.name.size(), 1u);
    EXPECT_EQ((uint8_t)g.name[0], c.complemented ? 0x61 : 0x9E);
    EXPECT_EQ(v.storage[272 + 24], 0x9E);
  }
}

TEST(CtResArchive, NameAndInfoCapacities) {
  std::string longName(70, 'n');
  longName[62] = 'x';
  longName[63] = 'y';
  const struct {
    int nameCap, infoCap;
    size_t nameLen, infoLen;
  } cases[] = {{64, 128, 63, 6}, {1, 1, 0, 0}, {71, 7, 70, 6}, {200, 6, 70, 5}, {2, 2, 1, 1}};
  View v(Archive({Entry(longName, "abcdef", 1, 0, {})}));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.nameCap);
    Got g = Fetch(v.archive, 0, c.nameCap, c.infoCap);
    EXPECT_EQ(g.found, 1);
    EXPECT_EQ(g.name, longName.substr(0, c.nameLen));
    EXPECT_EQ(g.info, std::string("abcdef").substr(0, c.infoLen));
  }
}

TEST(CtResArchive, EmptyNameAndInfo) {
  View v(Archive({Entry("", "", 3, 0, {0x00})}));
  Got g = Fetch(v.archive, 0);
  EXPECT_EQ(g.found, 1);
  EXPECT_EQ(g.name, "");
  EXPECT_EQ(g.info, "");
  EXPECT_EQ(g.length, 0);
  EXPECT_EQ(g.dataResult, 1);
}

TEST(CtResArchive, LengthWithoutDataBuffer) {
  View v(Archive({Stored("f", "hello")}));
  int32_t length = 999;
  int dataResult = 7;
  char name[64];
  EXPECT_EQ(v.archive.GetEntry(0, name, 64, nullptr, 0, nullptr, &length, &dataResult), 1);
  EXPECT_EQ(length, 5);
  EXPECT_EQ(dataResult, 7);
  EXPECT_STREQ(name, "f");
  // Nothing asked at all: still found.
  EXPECT_EQ(v.archive.GetEntry(0, nullptr, 0, nullptr, 0, nullptr, nullptr), 1);
  // A data buffer without a length pointer is not written.
  unsigned char data[8] = {0xA5, 0xA5};
  EXPECT_EQ(v.archive.GetEntry(0, nullptr, 0, nullptr, 0, data, nullptr, &dataResult), 1);
  EXPECT_EQ(data[0], 0xA5);
  EXPECT_EQ(dataResult, 7);
}

// A mode-3 entry whose stream decodes to "aaaa": class code, then a run.
Bytes CompressedAaaa(uint32_t mode) {
  return Entry("f", "t", mode, 4, {0x30, 0xFF, 0x00, 0x00, 0x03, 0x61, 0xFF, 0x03, 0xA4});
}

TEST(CtResArchive, DataDeliveryByModeAndCapacity) {
  const struct {
    const char* what;
    Bytes entry;
    int capacity;
    int dataResult;
    std::string data;  // what the buffer holds afterwards ("" = untouched)
  } cases[] = {
      {"mode 0", Stored("f", "hello"), 5, 1, "hello"},
      {"mode 0, larger buffer", Stored("f", "hello"), 20, 1, "hello"},
      {"mode 1", Stored("f", "hello", 1), 5, 1, "hello"},
      {"one byte short", Stored("f", "hello"), 4, 0, ""},
      {"one byte short, mode 1", Stored("f", "hello", 1), 4, 0, ""},
      {"mode 2", CompressedAaaa(2), 4, 1, "aaaa"},
      {"mode 3", CompressedAaaa(3), 4, 1, "aaaa"},
      {"mode 3 one byte short", CompressedAaaa(3), 3, 0, ""},
      {"mode 4", Stored("f", "hello", 4), 5, 0, ""},
      {"mode 5", Stored("f", "hello", 5), 5, 0, ""},
      {"mode above 2^31", Stored("f", "hello", 0x80000000u), 5, 0, ""},
      {"stored data shorter than the content", Entry("f", "", 0, 6, {'h', 'i'}), 6, 0, "hi"},
      {"stored data longer than the content", Entry("f", "", 0, 1, {'h', 'i'}), 6, 0, "hi"},
      {"stream decoding short", Entry("f", "", 3, 3, {0x00, 'h', 'i'}), 3, 0, "hi"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LogRecorder log({69});
    View v(Archive({c.entry}));
    Got g = Fetch(v.archive, 0, 64, 128, c.capacity);
    EXPECT_EQ(g.found, 1);
    EXPECT_EQ(g.name, "f");
    EXPECT_EQ(g.length, (int32_t)GetLe32(c.entry, 20));
    EXPECT_EQ(g.dataResult, c.dataResult);
    if (c.data.empty()) {
      for (uint8_t b : g.data) EXPECT_EQ(b, 0xA5);
    } else {
      EXPECT_EQ(std::string(g.data.begin(), g.data.begin() + (long)c.data.size()), c.data);
    }
    EXPECT_TRUE(log.reports.empty());
  }
}

TEST(CtResArchive, EmptyStoredContentGetsItsZeroByte) {
  View v(Archive({Stored("f", "")}));
  Got g = Fetch(v.archive, 0, 64, 128, 0);
  EXPECT_EQ(g.found, 1);
  EXPECT_EQ(g.length, 0);
  EXPECT_EQ(g.dataResult, 1);
  EXPECT_EQ(g.data[0], 0);
}

TEST(CtResArchive, DecodingErrorIsReportedAndLeavesTheBuffer) {
  // Back reference reaching before the start: code 61.
  View v(Archive({Entry("f", "t", 3, 4, {0x40, 0xFE, 0x61, 0xFE, 0x05, 0x03})}));
  LogRecorder log({69, 0});
  Got g = Fetch(v.archive, 0, 64, 128, 4);
  EXPECT_EQ(g.found, 1);
  EXPECT_EQ(g.length, 4);
  EXPECT_EQ(g.dataResult, 0);
  for (uint8_t b : g.data) EXPECT_EQ(b, 0xA5);
  std::string text = "Erreur en d\xE9" "compr\xE9" "ssion code 61";
  EXPECT_EQ(log.reports, (std::vector<LogRecorder::Report>{{69, text}, {0, text}}));
}

TEST(CtResArchive, Mode5DeliversNameInfoAndSizeButNoData) {
  View v(Archive({Entry("setup.kpx", "Install=x", 5, 3, {'a', 'b', 'c'})}));
  Got g = Fetch(v.archive, 0);
  EXPECT_EQ(g.found, 1);
  EXPECT_EQ(g.name, "setup.kpx");
  EXPECT_EQ(g.info, "Install=x");
  EXPECT_EQ(g.length, 3);
  EXPECT_EQ(g.dataResult, 0);
  for (uint8_t b : g.data) EXPECT_EQ(b, 0xA5);
}

// Offsets inside an entry whose change must (or must not) break its checkword.
TEST(CtResArchive, CheckwordCoversEverythingButTheContentSize) {
  std::vector<Bytes> entries = {Stored("first", "1"), Entry("ab", "cd", 1, 2, {'e', 'f'}), Stored("third", "3")};
  const struct {
    const char* what;
    size_t offset;  // inside entry 1
    uint8_t xorWith;
    bool fails;
  } cases[] = {
      {"mode", 8, 0x02, true},          {"mode high bits", 11, 0x80, true},
      {"name length", 12, 0x01, true},  {"info length", 16, 0x01, true},
      {"name byte", 24, 0x01, true},    {"second name byte", 25, 0x40, true},
      {"info byte", 26, 0x10, true},    {"data byte", 28, 0x01, true},
      {"last data byte", 29, 0x80, true}, {"checkword", 4, 0x01, true},
      {"content size", 20, 0x01, false}, {"content size high", 22, 0x10, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = Archive(entries);
    bytes[OffsetOf(entries, 1) + c.offset] ^= c.xorWith;
    View v(bytes);
    LogRecorder log({69, 0});
    Got g = Fetch(v.archive, 1);
    if (c.fails) {
      EXPECT_EQ(g.found, 0);
      EXPECT_EQ(log.reports,
                (std::vector<LogRecorder::Report>{{69, "Checkword erreur"}, {0, "Checkword erreur"}}));
      EXPECT_EQ(g.dataResult, -1);
      for (uint8_t b : g.data) EXPECT_EQ(b, 0xA5);
    } else {
      EXPECT_EQ(g.found, 1);
      EXPECT_TRUE(log.reports.empty());
    }
    // The walk does not check the entries it passes.
    log.reports.clear();
    Got next = Fetch(v.archive, 2);
    EXPECT_EQ(next.found, 1);
    EXPECT_EQ(next.name, "third");
    EXPECT_EQ(Fetch(v.archive, 0).found, 1);
    EXPECT_TRUE(log.reports.empty());
  }
}

TEST(CtResArchive, CheckwordFailureWritesNoBuffer) {
  std::vector<Bytes> entries = {Stored("first", "1")};
  Bytes bytes = Archive(entries);
  bytes.back() ^= 1;
  View v(bytes);
  char name[8] = "keep", info[8] = "keep";
  unsigned char data[8] = {9};
  int32_t length = 7;
  int result = 5;
  EXPECT_EQ(v.archive.GetEntry(0, name, 8, info, 8, data, &length, &result), 0);
  EXPECT_STREQ(name, "keep");
  EXPECT_STREQ(info, "keep");
  EXPECT_EQ(data[0], 9);
  EXPECT_EQ(length, 7);
  EXPECT_EQ(result, 5);
}

// Damage that makes an entry malformed ends the archive there, silently:
// the entries before it still read, it and those after it do not.
TEST(CtResArchive, MalformedEntriesEndTheArchive) {
  std::vector<Bytes> entries = {Stored("first", "1"), Stored("second", "22"), Stored("third", "333")};
  const size_t e1 = OffsetOf(entries, 1);
  const int32_t size1 = (int32_t)entries[1].size();
  const struct {
    const char* what;
    size_t field;  // offset of a 32-bit field inside entry 1
    int32_t value;
    bool reseal;   // recompute the checkword, so only the structure is wrong
  } cases[] = {
      {"size 0", 0, 0, false},
      {"negative size", 0, -size1, true},
      {"size -1", 0, -1, true},
      {"size below the header", 0, 23, true},
      {"size 1", 0, 1, true},
      {"size below header, name and info", 0, 24 + 6 + 6, true},
      {"size past the end", 0, 100000, true},
      {"size near the 32-bit limit", 0, 0x7FFFFFFF, true},
      {"negative name length", 12, -1, true},
      {"negative info length", 16, -3, true},
      {"name length past the entry", 12, 1000, true},
      {"name length near the limit", 12, 0x7FFFFFF0, true},
      {"name and info lengths that wrap together", 16, 0x7FFFFFF0, true},
      {"negative content size", 20, -1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = Archive(entries);
    Bytes entry(bytes.begin() + (long)e1, bytes.begin() + (long)e1 + size1);
    PutLe32(entry, c.field, (uint32_t)c.value);
    if (c.field == 12 && c.value == 0x7FFFFFF0) PutLe32(entry, 16, 0x7FFFFFF0);
    if (c.reseal) Reseal(entry);
    std::copy(entry.begin(), entry.end(), bytes.begin() + (long)e1);
    View v(bytes);
    LogRecorder log({69, 0});
    EXPECT_EQ(Fetch(v.archive, 0).found, 1);
    EXPECT_EQ(Fetch(v.archive, 1).found, 0);
    EXPECT_EQ(Fetch(v.archive, 2).found, 0);
    EXPECT_EQ(Fetch(v.archive, 3).found, 0);
    EXPECT_TRUE(log.reports.empty());
  }
}

TEST(CtResArchive, ArchivesWithoutEntries) {
  Bytes sound = Archive({Stored("first", "1")});
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {
      {"empty view", {}},
      {"view of 3 bytes", {4, 0, 0}},
      {"leading word only", {4, 0, 0, 0}},
      {"first offset past the end", [&] { Bytes b = sound; PutLe32(b, 0, (uint32_t)b.size()); return b; }()},
      {"header cut by the end", [&] { Bytes b = sound; PutLe32(b, 0, (uint32_t)b.size() - 23); return b; }()},
      {"negative first offset", [&] { Bytes b = sound; PutLe32(b, 0, 0xFFFFFFF0u); return b; }()},
      {"first offset near the limit", [&] { Bytes b = sound; PutLe32(b, 0, 0x7FFFFFFFu); return b; }()},
      {"first entry of size 0", [&] { Bytes b = sound; PutLe32(b, 272, 0); return b; }()},
      {"first offset 0 (the leading word as a size)", [&] { Bytes b = sound; PutLe32(b, 0, 0); return b; }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    View v(c.bytes);
    LogRecorder log({69, 0});
    for (int index : {0, 1}) EXPECT_EQ(Fetch(v.archive, index).found, 0);
    EXPECT_TRUE(log.reports.empty());
  }
  CtResArchive none;
  EXPECT_EQ(Fetch(none, 0).found, 0);
  // The view's size rules, not the bytes around it.
  Bytes b = Archive({Stored("first", "1"), Stored("second", "2")});
  CtResArchive shorter(b.data(), (int32_t)(b.size() - 1));
  EXPECT_EQ(Fetch(shorter, 0).found, 1);
  EXPECT_EQ(Fetch(shorter, 1).found, 0);
}

TEST(CtResArchive, EntryEndingExactlyAtTheViewAndTrailingBytes) {
  Bytes b = Archive({Stored("first", "1")});
  View exact(b);
  EXPECT_EQ(Fetch(exact.archive, 0).found, 1);
  EXPECT_EQ(Fetch(exact.archive, 1).found, 0);
  // 23 trailing bytes: no room for another header.
  b.insert(b.end(), 23, 0xEE);
  View tail(b);
  EXPECT_EQ(Fetch(tail.archive, 0).found, 1);
  EXPECT_EQ(Fetch(tail.archive, 1).found, 0);
}

TEST(CtResArchive, FirstOffsetOtherThan272) {
  Bytes e = Stored("x", "y");
  Bytes b = {8, 0, 0, 0, 0xDD, 0xDD, 0xDD, 0xDD};
  b.insert(b.end(), e.begin(), e.end());
  View v(b);
  Got g = Fetch(v.archive, 0);
  EXPECT_EQ(g.found, 1);
  EXPECT_EQ(g.name, "x");
  EXPECT_EQ(g.data[0], 'y');
}

TEST(CtResEntry, ReadersByHand) {
  const unsigned char bytes[24 + 3] = {0};
  CtResEntry e;
  e.at = bytes;
  e.nameLength = -4;
  e.infoLength = 0;
  char buffer[4] = "zzz";
  EXPECT_EQ(e.ReadName(buffer, 4), 1);
  EXPECT_STREQ(buffer, "");
  strcpy(buffer, "zzz");
  EXPECT_EQ(e.ReadInfo(buffer, 4), 1);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(e.ReadName(nullptr, 4), 1);
}

TEST(CtResEntry, ReadDataReturnsOneWhateverTheDecoderSaid) {
  Bytes bad = Entry("f", "", 3, 4, {0x20, 0xFF});  // stream cut after its escape
  View v(Archive({bad}));
  CtResEntry e;
  ASSERT_EQ(v.archive.FindEntry(0, &e), 1);
  unsigned char out[5];
  int delivered = 9;
  EXPECT_EQ(e.ReadData(out, 4, &delivered), 1);
  EXPECT_EQ(delivered, 0);
  EXPECT_EQ(e.ReadData(out, 3, &delivered), 0);
  EXPECT_EQ(delivered, 0);
  EXPECT_EQ(e.ReadData(out, 4), 1);
  // A stale checkword is caught again here, without a report.
  e.checkword ^= 1;
  LogRecorder log({69, 0});
  EXPECT_EQ(e.ReadData(out, 4, &delivered), 0);
  EXPECT_TRUE(log.reports.empty());
}

}  // namespace
