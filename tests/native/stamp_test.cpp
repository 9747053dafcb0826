#include "appli/stamp.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

// Copies bytes into a heap block of exactly their size, so that the address
// sanitizer catches any read past the range.
std::unique_ptr<char[]> Exact(const std::string& bytes) {
  std::unique_ptr<char[]> block(new char[bytes.size()]);
  std::memcpy(block.get(), bytes.data(), bytes.size());
  return block;
}

TEST(BuiltinStamp, Layout) {
  ASSERT_EQ(sizeof g_builtinStamp, 53u);
  const std::string stamp(g_builtinStamp, sizeof g_builtinStamp);
  EXPECT_EQ(static_cast<unsigned char>(stamp[0]), 0xFF);
  EXPECT_EQ(stamp[1], '*');
  EXPECT_EQ(stamp.substr(7, 2), "*!");
  for (int i = 9; i < 25; ++i) EXPECT_TRUE(stamp[i] >= '0' && stamp[i] <= '9') << "byte " << i;
  EXPECT_EQ(stamp[25], '!');
  EXPECT_EQ(stamp.substr(26, 26), "Z000VND0AKPX001.0aVC000000");
  EXPECT_EQ(stamp[52], '\0');
}

TEST(RefProg, ConstructedEmpty) {
  REF_PROG ref;
  EXPECT_EQ(ref.status, 0);
  EXPECT_STREQ(ref.text, "");
  EXPECT_EQ(ref.stamp, nullptr);
  char out[8] = "#######";
  EXPECT_EQ(ref.GetField("Z000", out, 7), 0);
  EXPECT_STREQ(out, "#######");
}

TEST(RefProg, ReadsTheBuiltinStampAsTheApplicationDoes) {
  REF_PROG ref;
  ASSERT_EQ(ref.ReadStamp(nullptr, 0, 256), 1);
  EXPECT_EQ(ref.status, 0);
  EXPECT_EQ(ref.stamp, g_builtinStamp + 1);
  EXPECT_STREQ(ref.text, g_builtinStamp + 1);
  char value[22];
  ASSERT_EQ(ref.GetField("Z000", value, 22), 22);
  EXPECT_EQ(std::string(value, 22), "VND0AKPX001.0aVC000000");
}

TEST(StampVersion, PiecesOfTheBuiltinStamp) {
  StampPieces pieces;
  std::memset(&pieces, '#', sizeof pieces);
  ASSERT_EQ(ReadStampPieces(&pieces), 1);
  EXPECT_STREQ(pieces.piece1, "VND0");
  EXPECT_STREQ(pieces.piece2, "AKPX");
  EXPECT_STREQ(pieces.piece3, "00");
  EXPECT_STREQ(pieces.version, "1.0a");
  EXPECT_STREQ(pieces.piece5, "VC");
  EXPECT_STREQ(pieces.piece6, "000000");
  char version[16];
  EXPECT_EQ(ReadStampVersion(version, sizeof version), 4);
  EXPECT_STREQ(version, "1.0a");
  char small[3];
  EXPECT_EQ(ReadStampVersion(small, sizeof small), 2);
  EXPECT_STREQ(small, "1.");
}

struct SplitCase {
  const char* value;
  const char* version;
  const char* piece6;
  const char* piece1;
};

const SplitCase kSplitCases[] = {
    {"VND0AKPX002.1bVC123456", "2.1b", "123456", "VND0"},
    {"VND0AKPX001.", "1.", "", "VND0"},  // short value: missing characters are empty
    {"VND0AKPX00", "", "", "VND0"},
    {"VN", "", "", "VN"},
    {"", "", "", ""},
};

TEST(StampVersion, SplitTable) {
  for (const SplitCase& c : kSplitCases) {
    SCOPED_TRACE(c.value);
    // The value is not NUL-terminated: what follows it must not leak into a piece.
    char value[22];
    std::memset(value, 'Q', sizeof value);
    const int n = static_cast<int>(std::strlen(c.value));
    std::memcpy(value, c.value, n);
    StampPieces pieces;
    std::memset(&pieces, '#', sizeof pieces);
    SplitStampValue(value, n, &pieces);
    EXPECT_STREQ(pieces.version, c.version);
    EXPECT_STREQ(pieces.piece6, c.piece6);
    EXPECT_STREQ(pieces.piece1, c.piece1);
  }
}

std::string Stamp(const std::string& name, const std::string& fields = "1234!Z000value") {
  return std::string("\xFF*") + name + "*!" + fields + std::string(1, '\0');
}

struct NameCase {
  std::string name;
  bool found;
};

TEST(RefProg, NameLengthsAndCharacters) {
  const NameCase cases[] = {
      {"ABC", false},
      {"ABCD", true},
      {"A234567890123456789012", true},    // 22
      {"A2345678901234567890123", false},  // 23
      {"AB*CD", true},                    // '*' not followed by '!' belongs to the name
      {"a_Z9*", true},
      {"AB-CD", false},
      {"AB CD", false},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = Stamp(c.name);
    const auto block = Exact(bytes);
    const int size = static_cast<int>(bytes.size());
    REF_PROG ref;
    EXPECT_EQ(ref.ReadStamp(block.get(), size, size), c.found ? 1 : 0);
    if (c.found) {
      EXPECT_EQ(ref.stamp, block.get() + 1);
      EXPECT_EQ(std::string(ref.text), bytes.substr(1, bytes.size() - 2));
    } else {
      EXPECT_EQ(ref.stamp, nullptr);
      EXPECT_STREQ(ref.text, "");
    }
  }
}

TEST(RefProg, StarBangAfterAShortNameInvalidatesTheStamp) {
  const std::string bytes = std::string("\xFF*AB*!CDEF*!x!Z000v") + std::string(1, '\0');
  REF_PROG ref;
  EXPECT_EQ(ref.ReadStamp(bytes.data(), static_cast<int>(bytes.size()),
                          static_cast<int>(bytes.size())),
            0);
}

struct FieldCase {
  const char* fields;  // after "*NAME1*!"
  const char* key;
  int maxLength;
  int expected;
  const char* value;
};

const FieldCase kFieldCases[] = {
    {"Z000abc!X!", "Z000", 22, 0, ""},  // field 2 is never looked up
    {"2!Z000abc!X", "Z000", 22, 3, "abc"},
    {"2!X!Z000abc", "Z000", 22, 3, "abc"},
    {"2!Z000xyz!Z000abc", "Z000", 22, 3, "xyz"},  // first match
    {"2!Z000xyz!", "Z00", 22, 4, "0xyz"},         // prefix match, value ends at '!'
    {"2!Z000xyz", "Z000", 2, 2, "xy"},
    {"2!Z000xyz", "Z000", 0, 0, ""},
    {"2!Z000xyz", "Z000", -5, 0, ""},
    {"2!Z000", "Z000", 22, 0, ""},
    {"2!ABC", "Z000", 22, 0, ""},
    {"2!Z00", "Z000", 22, 0, ""},
    {"", "Z000", 22, 0, ""},
    {"2!!Z000q", "Z000", 22, 1, "q"},  // an empty field is skipped
};

TEST(RefProg, GetFieldTable) {
  for (const FieldCase& c : kFieldCases) {
    SCOPED_TRACE(std::string(c.fields) + " key " + c.key);
    const std::string bytes = Stamp("NAME1", c.fields);
    REF_PROG ref;
    ASSERT_EQ(ref.ReadStamp(bytes.data(), static_cast<int>(bytes.size()),
                            static_cast<int>(bytes.size())),
              1);
    char out[32];
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(ref.GetField(c.key, out, c.maxLength), c.expected);
    EXPECT_EQ(std::string(out, c.expected), c.value);
    EXPECT_EQ(out[c.expected], '#');  // no terminator is written
  }
}

TEST(RefProg, NextFieldWalksTheText) {
  const std::string bytes = Stamp("NAME1", "22!Z000x");
  REF_PROG ref;
  ASSERT_EQ(ref.ReadStamp(bytes.data(), 0, static_cast<int>(bytes.size())), 1);
  const char* cursor = ref.NextField(nullptr);
  EXPECT_EQ(cursor, ref.text + 8);
  cursor = ref.NextField(cursor);
  EXPECT_STREQ(cursor, "Z000x");
  cursor = ref.NextField(cursor);
  EXPECT_EQ(*cursor, '\0');
  EXPECT_EQ(ref.NextField(cursor), cursor);
}

struct FindCase {
  std::string bytes;
  int scanLength;  // -1: the whole range
  int expectedOffset;  // offset of the '*', -1: not found
};

TEST(RefProg, FindStampTable) {
  const std::string stamp = Stamp("ABCDE");
  const FindCase cases[] = {
      {stamp, 0, 1},
      {"x" + stamp, 0, -1},  // scan length 0: only a stamp at byte 0
      {"x" + stamp, -1, 2},
      {"junk\xFFno\xFF" + stamp.substr(1), -1, 8},
      {"\xFF\xFF\xFF" + stamp, 0, 4},  // a run of markers before the '*'
      {"\xFF\xFF\xFF" + stamp, -1, 4},
      {"\xFF*AB\xFF" + stamp, -1, 6},  // a broken stamp, then a good one
      {"\xFF*ABCDE*", -1, -1},         // the '!' lies past the range
      {"\xFF*ABCDE*!", -1, 1},
      {"abc\xFF", -1, -1},             // a marker in the last byte
      {"\xFF", -1, -1},
      {"\xFF*", -1, -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(c.bytes);
    const auto block = Exact(c.bytes);
    const int size = static_cast<int>(c.bytes.size());
    REF_PROG ref;
    const char* found = ref.FindStamp(block.get(), c.scanLength < 0 ? size : c.scanLength, size);
    if (c.expectedOffset < 0) {
      EXPECT_EQ(found, nullptr);
    } else {
      EXPECT_EQ(found, block.get() + c.expectedOffset);
    }
  }
}

TEST(RefProg, CopyStaysInsideTheRange) {
  // No NUL within the range: the copy ends at the range's end.
  const std::string bytes = "\xFF*ABCD*!12";
  const auto block = Exact(bytes);
  REF_PROG ref;
  ASSERT_EQ(ref.ReadStamp(block.get(), 0, static_cast<int>(bytes.size())), 1);
  EXPECT_STREQ(ref.text, "*ABCD*!12");
}

TEST(RefProg, CopyIsCutAt511Characters) {
  const std::string bytes = Stamp("ABCD", std::string(1000, 'F'));
  REF_PROG ref;
  ASSERT_EQ(ref.ReadStamp(bytes.data(), 0, static_cast<int>(bytes.size())), 1);
  EXPECT_EQ(std::strlen(ref.text), 511u);
  EXPECT_EQ(std::string(ref.text), bytes.substr(1, 511));
}

TEST(RefProg, FailedReadKeepsTheTextAndClearsTheAddress) {
  REF_PROG ref;
  ASSERT_EQ(ref.ReadStamp(nullptr, 0, 256), 1);
  const std::string none = "no stamp here";
  EXPECT_EQ(ref.ReadStamp(none.data(), static_cast<int>(none.size()),
                          static_cast<int>(none.size())),
            0);
  EXPECT_EQ(ref.stamp, nullptr);
  EXPECT_STREQ(ref.text, g_builtinStamp + 1);
}

TEST(RefProg, CheckNameDirectly) {
  const std::string bytes = "\xFF*ABCD*!";
  REF_PROG ref;
  const int size = static_cast<int>(bytes.size());
  EXPECT_EQ(ref.CheckName(bytes.data(), 1, size), 1);
  EXPECT_EQ(ref.CheckName(bytes.data(), 2, size), 0);  // "ABCD*!" is only 4 characters to the star
  EXPECT_EQ(ref.CheckName(bytes.data(), 1, size - 1), 0);
  EXPECT_EQ(ref.CheckName(bytes.data(), size, size), 0);
}

}  // namespace
