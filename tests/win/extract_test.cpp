#include "installer/extract.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/ctmem.h"
#include "archive/decompress.h"
#include "archive/resarchive.h"
#include "tests/win/scratch_dir.h"
#include "tools/sfxpack/archive_writer.h"
#include "tools/sfxpack/encoder.h"
#include "util/log.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Names = std::vector<std::string>;
using scratch::Get;
using scratch::List;
using scratch::Put;

const uint64_t kHigh = 30000000;  // a high half that puts a FILETIME in 2009

// One entry record; compressed modes go through the packer's encoder.
Bytes Record(const std::string& name, const std::string& content, uint32_t mode = 3,
             const std::string& info = "sfxpack") {
  Bytes data(content.begin(), content.end());
  if (mode == 2 || mode == 3) {
    Bytes stream;
    EXPECT_TRUE(sfxpack::EncodeBest(data.data(), data.size(), stream));
    data = stream;
  } else if (mode == 1) {
    for (uint8_t& b : data) b = uint8_t(~b);
  }
  return sfxpack::MakeEntryRecord(name, info, mode, int32_t(content.size()), data);
}

// Leading word 272, the reserved area, then the records back to back.
Bytes Assemble(const std::vector<Bytes>& records) {
  Bytes out(272, 0);
  out[0] = 0x10;
  out[1] = 0x01;
  for (const Bytes& r : records) out.insert(out.end(), r.begin(), r.end());
  return out;
}

Bytes Written(const std::vector<sfxpack::EntryInput>& entries) {
  Bytes out;
  std::string error;
  EXPECT_TRUE(sfxpack::WriteArchive(entries, out, &error)) << error;
  return out;
}

std::string Pseudo(size_t size, uint32_t seed) {
  std::string s(size, 0);
  for (size_t i = 0; i < size; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = char((i % 7 == 0) ? 'a' : (seed >> 16));
  }
  return s;
}

class LogCollector : public LogSink {
 public:
  void Deliver(const char* text) override { texts.push_back(text); }
  std::vector<std::string> texts;
};

class ExtractTest : public ::testing::Test {
 protected:
  std::string Target() const { return dir.path() + "\\tmp_vnd"; }
  std::string In(const std::string& name) const { return Target() + "\\" + name; }
  void MakeTarget() const { ASSERT_TRUE(CreateDirectoryA(Target().c_str(), nullptr)); }
  // An extraction directory of its own for each case of a table; the
  // current directory may not be removed, so it moves out first.
  void FreshTarget() const {
    SetCurrentDirectoryA(dir.path().c_str());
    scratch::RemoveTree(Target());
    MakeTarget();
  }

  int Extract(const Bytes& archive, int capacity = sizeof directory) {
    bytes = archive;
    view = CtResArchive(bytes.data(), int32_t(bytes.size()));
    CtExtraction extraction(directory, capacity, &view);
    return extraction.ExtractAll();
  }

  scratch::Dir dir{"sfx_x_"};
  char directory[256] = {};
  Bytes bytes;
  CtResArchive view;
};

TEST_F(ExtractTest, DirectoryIsTmpVndUnderTheTemporaryPathAndStaysCurrent) {
  for (const char* tail : {"\\", ""}) {
    scratch::Dir::PointTempAt(dir.path() + tail);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    EXPECT_EQ(Extract(Written({})), 1) << "tail: " << tail;
    EXPECT_EQ(std::string(directory), Target());
    EXPECT_EQ(scratch::CurrentDirectory(), Target());
    EXPECT_EQ(List(dir.path()), Names{"tmp_vnd\\"});
    EXPECT_EQ(List(Target()), Names{});
  }
}

TEST_F(ExtractTest, WritesEveryModeWithItsContentAndTime) {
  MakeTarget();
  ASSERT_TRUE(CreateDirectoryA(In("sub").c_str(), nullptr));
  ASSERT_TRUE(Put(In("stale.txt"), "left by a previous run"));
  struct Entry {
    const char* name;
    uint32_t mode;
    std::string content;
  } entries[] = {
      {"a.txt", 0, "plain text\r\n"},
      {"b.bin", 1, Pseudo(300, 1)},
      {"c.dat", 2, std::string(5000, 'c') + Pseudo(100, 2)},
      {"AutoInst_Setup.exe", 3, Pseudo(3000, 3)},
      {"empty0.txt", 0, ""},
      {"empty3.txt", 3, ""},
      {"sub\\in.txt", 3, "inside an existing subdirectory"},
  };
  std::vector<sfxpack::EntryInput> inputs;
  uint64_t time = (kHigh << 32) | 1000;
  for (const Entry& e : entries) {
    sfxpack::EntryInput in;
    in.name = e.name;
    in.mode = e.mode;
    in.content.assign(e.content.begin(), e.content.end());
    in.info = sfxpack::MakeInfoText(time += 0x12345678);
    inputs.push_back(in);
  }
  ASSERT_EQ(Extract(Written(inputs)), 1);
  time = (kHigh << 32) | 1000;
  for (const Entry& e : entries) {
    EXPECT_EQ(Get(In(e.name)), e.content) << e.name;
    EXPECT_EQ(scratch::LastWrite(In(e.name)), time += 0x12345678) << e.name;
  }
  EXPECT_EQ(List(Target()), (Names{"AutoInst_Setup.exe", "a.txt", "b.bin", "c.dat", "empty0.txt",
                                   "empty3.txt", "sub\\"}));
}

TEST_F(ExtractTest, FileTimeKeys) {
  struct Case {
    const char* info;
    bool set;  // false: the file keeps the time it was written at
    uint64_t time;
  } cases[] = {
      {"sfxpack\r\nDWCL=7\r\nDWCH=30000000", true, (kHigh << 32) | 7},
      {"sfxpack\r\nDWCH=30000000", true, kHigh << 32},
      {"sfxpack", false, 0},
      {"DWCL=5\r\nDWCH=30000000", true, kHigh << 32},
      {"DWCH=30000000", false, 0},
      {"x\r\nDWCL=-1\r\nDWCH=30000000", true, (kHigh << 32) | 0xFFFFFFFFu},
      {"x\r\nDWCL=4294967296\r\nDWCH=30000000", true, kHigh << 32},
      {"x\r\nDWCL=00012\r\nDWCH=30000000", true, (kHigh << 32) | 12},
      {"x\r\nDWCL=12abc\r\nDWCH=30000000", true, (kHigh << 32) | 12},
      {"x\r\ndwcl=9\r\ndwch=30000000", true, (kHigh << 32) | 9},
      {"x\r\nDWCL=0000000000000012\r\nDWCH=30000000", true, (kHigh << 32) | 1},
      {"x\r\nDWCL=\r\nDWCH=", false, 0},
  };
  std::vector<Bytes> records;
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    records.push_back(Record("t" + std::to_string(i), "x", 3, cases[i].info));
  // Keys that start past the 127 characters of the info text are not seen.
  records.push_back(Record("late", "x", 3, std::string(125, 'p') + "\r\nDWCL=1\r\nDWCH=30000000"));
  const uint64_t before = scratch::Now();
  ASSERT_EQ(Extract(Assemble(records)), 1);
  const uint64_t after = scratch::Now();
  auto expectKept = [&](const std::string& name, const std::string& label) {
    const uint64_t t = scratch::LastWrite(In(name));
    EXPECT_GE(t + 20000000, before) << label;  // 2 s of slack either way
    EXPECT_LE(t, after + 20000000) << label;
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const std::string name = "t" + std::to_string(i);
    if (cases[i].set) {
      EXPECT_EQ(scratch::LastWrite(In(name)), cases[i].time) << cases[i].info;
    } else {
      expectKept(name, cases[i].info);
    }
  }
  expectKept("late", "keys past 127 characters");
}

TEST_F(ExtractTest, ArchiveWithoutEntriesLeavesAnEmptyDirectory) {
  struct Case {
    const char* label;
    Bytes archive;
  } cases[] = {
      {"written by the packer", Written({})},
      {"empty view", Bytes()},
      {"leading word past the end", Bytes{0x00, 0x10, 0, 0, 1, 2, 3}},
      {"first entry of size 0", Bytes(272 + 24, 0)},
  };
  cases[3].archive[0] = 0x10;
  cases[3].archive[1] = 0x01;
  for (const Case& c : cases) {
    CreateDirectoryA(Target().c_str(), nullptr);
    ASSERT_TRUE(Put(In("stale.txt"), "old"));
    EXPECT_EQ(Extract(c.archive), 1) << c.label;
    EXPECT_EQ(List(Target()), Names{}) << c.label;
  }
}

TEST_F(ExtractTest, ReplacesFilesThatTheCleaningLeaves) {
  MakeTarget();
  ASSERT_TRUE(CreateDirectoryA(In("sub").c_str(), nullptr));
  ASSERT_TRUE(Put(In("sub\\a.txt"), "an older and longer content"));
  ASSERT_TRUE(Put(In(".rc"), "an older and longer content"));
  const Bytes archive = Assemble({Record("sub\\a.txt", "new a"), Record(".rc", "new rc"),
                                  Record("dup.txt", "first and longer version"),
                                  Record("dup.txt", "second")});
  ASSERT_EQ(Extract(archive), 1);
  EXPECT_EQ(Get(In("sub\\a.txt")), "new a");
  EXPECT_EQ(Get(In(".rc")), "new rc");
  EXPECT_EQ(Get(In("dup.txt")), "second");
}

TEST_F(ExtractTest, AddToBatchHoldsTwentyPathsThenEndsTheListing) {
  CtExtraction extraction;
  for (int i = 1; i <= 21; ++i) {
    const std::string path = "C:\\dir\\" + std::to_string(i);
    EXPECT_EQ(extraction.AddToBatch(path.c_str(), 99), i < 20 ? 1 : 0) << i;
  }
  EXPECT_EQ(extraction.batchCount, 20);
  EXPECT_STREQ(extraction.batch[0], "C:\\dir\\1");
  EXPECT_STREQ(extraction.batch[19], "C:\\dir\\20");

  MakeTarget();
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(Put(In("f" + std::to_string(i)), "x"));
  CtExtraction lister;
  EXPECT_EQ(EnumFiles((Target() + "\\*.*").c_str(), &lister,
                      static_cast<ENUM_CALLBACK>(&CtExtraction::AddToBatch), 0, nullptr),
            20);
  EXPECT_EQ(lister.batchCount, 20);
  for (int i = 0; i < 20; ++i) EXPECT_TRUE(scratch::Exists(lister.batch[i])) << lister.batch[i];
}

// The directory holds `deletable` files (a few of them read-only or hidden),
// and optionally a file held open, a file whose name is longer than 63
// characters, a subdirectory and dot files.
struct CleanCase {
  int deletable;
  bool held, longName, others;
  int failures;  // -1: depends on the listing order
};

TEST_F(ExtractTest, CleaningDeletesInBatchesAndCountsFailures) {
  const CleanCase cases[] = {
      {0, true, false, false, 1},  {0, false, true, false, 1}, {0, true, true, false, 2},
      {25, false, false, true, 0}, {25, true, true, true, -1}, {3, false, false, false, 0},
  };
  const std::string longName(70, 'L');
  for (const CleanCase& c : cases) {
    const std::string label = std::to_string(c.deletable) + (c.held ? " held" : "") +
                              (c.longName ? " long" : "") + (c.others ? " others" : "");
    FreshTarget();
    Names expected;
    for (int i = 0; i < c.deletable; ++i) {
      const std::string path = In("f" + std::to_string(i) + ".tmp");
      ASSERT_TRUE(Put(path, "x"));
      if (i % 5 == 1) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
      if (i % 5 == 2) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    }
    if (c.held) {
      ASSERT_TRUE(Put(In("held.dll"), "in use"));
      expected.push_back("held.dll");
    }
    if (c.longName) {
      ASSERT_TRUE(Put(In(longName), "long"));
      expected.push_back(longName);
    }
    if (c.others) {
      ASSERT_TRUE(CreateDirectoryA(In("sub").c_str(), nullptr));
      ASSERT_TRUE(Put(In("sub\\inner.txt"), "x"));
      ASSERT_TRUE(CreateDirectoryA(In(".dotdir").c_str(), nullptr));
      ASSERT_TRUE(Put(In(".dotfile"), "x"));
      for (const char* n : {".dotdir\\", ".dotfile", "sub\\"}) expected.push_back(n);
    }
    std::sort(expected.begin(), expected.end());
    scratch::Holder holder(In("held.dll"));
    ASSERT_EQ(holder.ok(), c.held);
    CtExtraction extraction;
    const int failures = extraction.CleanDirectory((Target() + "\\*.*").c_str());
    if (c.failures >= 0) {
      EXPECT_EQ(failures, c.failures) << label;
    } else {
      EXPECT_GE(failures, 2) << label;
    }
    EXPECT_EQ(List(Target()), expected) << label;
    if (c.others) {
      EXPECT_EQ(List(In("sub")), Names{"inner.txt"}) << label;
    }
  }
}

TEST_F(ExtractTest, ExtractAllCleansBeforeWriting) {
  MakeTarget();
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(Put(In("old" + std::to_string(i)), "x"));
  ASSERT_TRUE(Put(In("held.dll"), "in use"));
  const std::string longName(64, 'L');
  ASSERT_TRUE(Put(In(longName), "long"));
  ASSERT_TRUE(CreateDirectoryA(In("sub").c_str(), nullptr));
  ASSERT_TRUE(Put(In(".dotfile"), "x"));
  scratch::Holder holder(In("held.dll"));
  ASSERT_TRUE(holder.ok());
  ASSERT_EQ(Extract(Assemble({Record("new.txt", "new")})), 1);
  EXPECT_EQ(List(Target()), (Names{".dotfile", longName, "held.dll", "new.txt", "sub\\"}));
}

TEST_F(ExtractTest, AnyUnsafeNameRefusesTheWholeArchiveBeforeTouchingAnything) {
  const std::string absolute = dir.path() + "\\abs.dll";
  ASSERT_LT(absolute.size(), 64u);
  const std::string names[] = {
      "..\\..\\x.dll", "../x.dll", "sub\\..\\..\\x.dll", "..", absolute, "C:\\Windows\\x.dll",
      "C:x.dll", "\\x.dll", "/x.dll", "a.txt:stream", "CON", "con.txt", "NUL", "Prn.log", "AUX",
      "COM1", "lpt9.txt", "CON .txt", "sub\\nul", "a?.txt",
  };
  // Where the escaping names would land (the drive's root, the temporary
  // path above the scratch directory, the Windows directory).
  const std::string outside[] = {dir.path().substr(0, dir.path().rfind('\\')) + "\\x.dll",
                                 "C:\\x.dll", "C:\\Windows\\x.dll"};
  for (const std::string& path : outside) ASSERT_FALSE(scratch::Exists(path)) << path;
  for (const std::string& name : names) {
    FreshTarget();
    ASSERT_TRUE(Put(In("stale.txt"), "old"));
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    // The unsafe entry comes last: nothing may happen before the walk ends.
    const Bytes archive =
        Assemble({Record("first.txt", "1"), Record("second.txt", "2"), Record(name, "evil")});
    EXPECT_EQ(Extract(archive), 0) << name;
    EXPECT_EQ(List(Target()), Names{"stale.txt"}) << name;
    EXPECT_EQ(List(dir.path()), Names{"tmp_vnd\\"}) << name;
    for (const std::string& path : outside) EXPECT_FALSE(scratch::Exists(path)) << name;
    EXPECT_EQ(scratch::CurrentDirectory(), dir.path()) << name;
  }
  // They did not exist before: whatever a failing run wrote there goes.
  for (const std::string& path : outside) DeleteFileA(path.c_str());
}

TEST_F(ExtractTest, UnsafeNameDoesNotEvenCreateTheDirectory) {
  EXPECT_EQ(Extract(Assemble({Record("ok.txt", "1"), Record("..\\x.dll", "evil")})), 0);
  EXPECT_EQ(List(dir.path()), Names{});
}

TEST_F(ExtractTest, RelativeNameWorksOnlyWhereItsSubdirectoryExists) {
  const Bytes archive = Assemble({Record("sub\\a.txt", "a"), Record("b.txt", "b")});
  EXPECT_EQ(Extract(archive), 0);
  EXPECT_EQ(List(Target()), Names{});
  ASSERT_TRUE(CreateDirectoryA(In("sub").c_str(), nullptr));
  EXPECT_EQ(Extract(archive), 1);
  EXPECT_EQ(Get(In("sub\\a.txt")), "a");
  EXPECT_EQ(Get(In("b.txt")), "b");
}

// [first.txt, faulty entry, after.txt]: the faulty entry and everything after
// it are not written, the valid file before it stays, the result is 0.
enum FaultKind {
  kModeAbove3,
  kUndecodable,
  kSizeAboveStream,
  kStoredShort,
  kWrongCheckword,
  kMissingSubdirectory,
  kHeldOpen,
  kShortWrite,
  kNoMemory,
};

struct FaultCase {
  const char* label;
  FaultKind kind;
};

TEST_F(ExtractTest, ContentThatCannotBeDeliveredOrWrittenFailsAndStops) {
  const FaultCase cases[] = {
      {"mode above 3", kModeAbove3},
      {"undecodable stream", kUndecodable},
      {"content size above what the stream gives", kSizeAboveStream},
      {"stored data shorter than the content size", kStoredShort},
      {"wrong checkword", kWrongCheckword},
      {"file in a missing subdirectory", kMissingSubdirectory},
      {"file held open by another program", kHeldOpen},
      {"write comes up short", kShortWrite},
      {"memory block refused", kNoMemory},
  };
  const std::string big(1000, 'B');
  for (const FaultCase& c : cases) {
    FreshTarget();
    ASSERT_TRUE(Put(In("stale.txt"), "old"));
    Names expected{"first.txt"};
    Bytes faulty;
    switch (c.kind) {
      case kModeAbove3:
        faulty = sfxpack::MakeEntryRecord("bad.txt", "i", 5, 3, Bytes{'a', 'b', 'c'});
        break;
      case kUndecodable:
        faulty = sfxpack::MakeEntryRecord("bad.txt", "i", 2, 64, Bytes(16, 0xFF));
        break;
      case kSizeAboveStream: {
        Bytes stream;
        ASSERT_TRUE(sfxpack::EncodeBest((const uint8_t*)"hello", 5, stream));
        faulty = sfxpack::MakeEntryRecord("bad.txt", "i", 3, 6, stream);
        break;
      }
      case kStoredShort:
        faulty = sfxpack::MakeEntryRecord("bad.txt", "i", 0, 10, Bytes{'1', '2', '3', '4', '5'});
        break;
      case kWrongCheckword:
        faulty = Record("bad.txt", "content");
        faulty.back() ^= 1;
        break;
      case kMissingSubdirectory:
        faulty = Record("nosub\\bad.txt", "content");
        break;
      case kHeldOpen:
        faulty = Record("held.txt", "new content");
        ASSERT_TRUE(Put(In("held.txt"), "old content"));
        expected.push_back("held.txt");
        break;
      case kShortWrite:
      case kNoMemory:
        faulty = Record("bad.txt", big, 0);
        break;
    }
    const Bytes archive =
        Assemble({Record("first.txt", "first"), faulty, Record("after.txt", "after", 0)});
    CtResArchive probe(archive.data(), int32_t(archive.size()));
    if (c.kind <= kStoredShort) {
      // The entry is found and named, but its content is not delivered.
      unsigned char block[64 + 10] = {};
      int32_t length = 64;
      int delivered = -1;
      ASSERT_EQ(probe.GetEntry(1, nullptr, 0, nullptr, 0, block, &length, &delivered), 1);
      ASSERT_EQ(delivered, 0) << c.label;
    }
    scratch::Holder holder(In("held.txt"));
    ASSERT_EQ(holder.ok(), c.kind == kHeldOpen);
    LogCollector checkwordReports;
    AddLogSink(&checkwordReports, 69);
    g_hFileWriteLimitHook = c.kind == kShortWrite ? +[](int n) { return n == 1000 ? 999 : n; }
                                                  : nullptr;
    g_ctMemAllowHook = c.kind == kNoMemory ? +[](int n) { return n == 1010 ? 0 : 1; } : nullptr;
    const int result = Extract(archive);
    g_hFileWriteLimitHook = nullptr;
    g_ctMemAllowHook = nullptr;
    RemoveLogSink(&checkwordReports);

    EXPECT_EQ(result, 0) << c.label;
    EXPECT_EQ(List(Target()), expected) << c.label;
    EXPECT_EQ(Get(In("first.txt")), "first") << c.label;
    if (c.kind == kHeldOpen) {
      EXPECT_EQ(Get(In("held.txt")), "old content");
    }
    EXPECT_EQ(std::count(checkwordReports.texts.begin(), checkwordReports.texts.end(),
                         "Checkword erreur"),
              c.kind == kWrongCheckword ? 1 : 0)
        << c.label;
  }
}

// The directory text cannot hold the temporary path, or the extraction
// directory leaves no room for a listed name of 63 characters in 255.
TEST_F(ExtractTest, TemporaryPathThatFailsOrDoesNotFitIsRefused) {
  struct Case {
    const char* label;
    int tmpLength;  // length of TMP (with its final backslash); 0: the scratch directory
    int capacity;
    int result;
  } cases[] = {
      {"longer than a Windows path", 300, 256, 0},
      {"longer than the text", 258, 256, 0},
      {"text of 16 bytes", 0, 16, 0},
      {"directory of 192 characters", 192 - 7, 256, 0},
      {"directory of 191 characters", 191 - 7, 256, 1},
  };
  for (const Case& c : cases) {
    std::string tmp = dir.path() + "\\";
    std::string created;
    if (c.tmpLength > 0) {
      const int fill = c.tmpLength - int(tmp.size()) - 1;
      ASSERT_GT(fill, 0);
      tmp += std::string(fill, 'd') + "\\";
      if (c.tmpLength < MAX_PATH - 20) {
        created = tmp + "tmp_vnd";
        ASSERT_TRUE(CreateDirectoryA(tmp.c_str(), nullptr)) << c.label;
        ASSERT_TRUE(CreateDirectoryA(created.c_str(), nullptr)) << c.label;
        ASSERT_TRUE(Put(created + "\\stale.txt", "old")) << c.label;
      }
    }
    scratch::Dir::PointTempAt(tmp);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    std::fill(directory, directory + sizeof directory, 'z');
    EXPECT_EQ(Extract(Written({}), c.capacity), c.result) << c.label;
    if (c.result) {
      EXPECT_EQ(std::string(directory), created) << c.label;
      EXPECT_EQ(List(created), Names{}) << c.label;
    } else {
      EXPECT_EQ(directory[0], 0) << c.label;
      EXPECT_EQ(std::string(directory + c.capacity, directory + sizeof directory),
                std::string(sizeof directory - c.capacity, 'z'))
          << c.label;
      EXPECT_EQ(scratch::CurrentDirectory(), dir.path()) << c.label;
      if (!created.empty()) {
        EXPECT_EQ(List(created), Names{"stale.txt"}) << c.label;
      }
    }
    if (!created.empty()) scratch::RemoveTree(tmp.substr(0, tmp.size() - 1));
  }
}

TEST_F(ExtractTest, DirectoryThatCanBeNeitherEnteredNorCreated) {
  ASSERT_TRUE(Put(dir.path() + "\\file", "a file, not a directory"));
  for (const std::string& tmp : {dir.path() + "\\missing\\deeper\\", dir.path() + "\\file\\"}) {
    scratch::Dir::PointTempAt(tmp);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    EXPECT_EQ(Extract(Assemble({Record("a.txt", "a")})), 0) << tmp;
    EXPECT_EQ(scratch::CurrentDirectory(), dir.path()) << tmp;
    EXPECT_EQ(List(dir.path()), Names{"file"}) << tmp;
  }
}

TEST_F(ExtractTest, NoArchiveOrNoTextIsRefused) {
  CtResArchive empty;
  EXPECT_EQ(CtExtraction(directory, sizeof directory, nullptr).ExtractAll(), 0);
  EXPECT_EQ(CtExtraction(nullptr, 256, &empty).ExtractAll(), 0);
  EXPECT_EQ(CtExtraction(directory, 0, &empty).ExtractAll(), 0);
  EXPECT_EQ(List(dir.path()), Names{});
}

}  // namespace
