#include "util/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(StrLength, NullAndTexts) {
  EXPECT_EQ(StrLength(nullptr), 0);
  EXPECT_EQ(StrLength(""), 0);
  EXPECT_EQ(StrLength("abc"), 3);
  EXPECT_EQ(StrLength("\xE9t\xE9"), 3);
}

TEST(StrAppend, AppendsAndReturnsNewLength) {
  char buffer[16] = "ab";
  EXPECT_EQ(StrAppend(buffer, "cd"), 4);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(StrAppend(buffer, ""), 4);
  EXPECT_STREQ(buffer, "abcd");
  char empty[8] = "";
  EXPECT_EQ(StrAppend(empty, "xyz"), 3);
  EXPECT_STREQ(empty, "xyz");
}

TEST(StrAppend, NullArgumentsDoNothing) {
  char buffer[8] = "ab";
  EXPECT_EQ(StrAppend(buffer, nullptr), 0);
  EXPECT_STREQ(buffer, "ab");
  EXPECT_EQ(StrAppend(nullptr, "cd"), 0);
}

struct CopyCase {
  const char* initial;  // destination before the copy
  const char* source;   // null: no source
  int capacity;
  int startPosition;    // -1: no position argument
  const char* expected;
  int endPosition;      // expected position afterwards (when given)
};

const CopyCase kCopyCases[] = {
    {"", "abcdef", 4, -1, "abc", 0},
    {"", "abcdef", 7, -1, "abcdef", 0},
    {"", "abcdef", 100, -1, "abcdef", 0},
    {"xyz", "abcdef", 1, -1, "", 0},
    {"xyz", "", 8, -1, "", 0},
    {"xyz", nullptr, 8, -1, "xyz", 0},
    {"ab", "cdefg", 6, 2, "abcde", 5},
    {"ab", "c", 6, 2, "abc", 3},
    {"abcde", "fg", 6, 5, "abcde", 5},
    {"", "abc", 4, 0, "abc", 3},
};

TEST(StrCopyN, Table) {
  for (const CopyCase& c : kCopyCases) {
    SCOPED_TRACE(std::string("source ") + (c.source ? c.source : "(null)") + " capacity " +
                 std::to_string(c.capacity));
    char buffer[128];
    std::memset(buffer, '#', sizeof buffer);
    std::strcpy(buffer, c.initial);
    if (c.startPosition < 0) {
      StrCopyN(buffer, c.source, c.capacity);
    } else {
      int position = c.startPosition;
      StrCopyN(buffer, c.source, c.capacity, &position);
      EXPECT_EQ(position, c.endPosition);
    }
    EXPECT_STREQ(buffer, c.expected);
    // Nothing beyond the capacity (or the initial text) is touched.
    int first = static_cast<int>(std::strlen(c.initial)) + 1;
    if (c.capacity > first) first = c.capacity;
    for (int i = first; i < static_cast<int>(sizeof buffer); ++i)
      ASSERT_EQ(buffer[i], '#') << "byte " << i;
  }
}

TEST(StrCopyN, ChainedCopiesAreCutAtTheCapacity) {
  char buffer[8];
  std::memset(buffer, '#', sizeof buffer);
  int position = 0;
  StrCopyN(buffer, "abc", 6, &position);
  StrCopyN(buffer, "def", 6, &position);
  StrCopyN(buffer, "ghi", 6, &position);
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_EQ(position, 5);
  EXPECT_EQ(buffer[6], '#');
}

TEST(StrCopyN, UnusableCapacityOrPositionWritesNothing) {
  char buffer[8] = "keep";
  StrCopyN(buffer, "abc", 0);
  EXPECT_STREQ(buffer, "keep");
  int position = 4;
  StrCopyN(buffer, "abc", 4, &position);  // position at the capacity: no room
  EXPECT_STREQ(buffer, "keep");
  EXPECT_EQ(position, 4);
  position = -1;
  StrCopyN(buffer, "abc", 4, &position);
  EXPECT_STREQ(buffer, "keep");
  StrCopyN(nullptr, "abc", 4);  // must not crash
}

struct SameCase {
  int count;
  const char* a;
  const char* b;
  int expected;
};

const SameCase kSameCases[] = {
    {9, "AutoInst_Setup.exe", "AutoInst_", 1},
    {9, "autoinst_setup.exe", "AutoInst_", 0},
    {9, "AutoInst", "AutoInst_", 0},  // differs at the terminator
    {0, "abc", "xyz", 1},
    {3, "abX", "abY", 0},
    {3, "Xbc", "Ybc", 0},
    {4, "a\0bc", "a\0bc", 1},  // terminators are compared like any byte
    {4, "a\0bc", "a\0bd", 0},
};

TEST(SameBytes, Table) {
  for (const SameCase& c : kSameCases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b + " count " + std::to_string(c.count));
    EXPECT_EQ(SameBytes(c.count, c.a, c.b), c.expected);
  }
}

struct FindCase {
  const char* haystack;
  const char* needle;
  int mode;
  int length;
  int expected;
};

const FindCase kFindCases[] = {
    {"setup.EXE", ".exe", FIND_FOLDED, 0, 6},
    {"setup.EXE", ".exe", FIND_EXACT, 0, 0},
    {"setup.EXE", ".EXE", FIND_EXACT, 0, 6},
    {"setup.EXE", ".exe", 7, 0, 0},  // any non-zero mode is exact
    {"a.exe.txt", ".exe", FIND_EXACT, 0, 2},
    {"abcdef", "cd", FIND_EXACT, 3, 0},
    {"abcdef", "cd", FIND_EXACT, 4, 3},
    {"abcdef", "", FIND_EXACT, 0, 1},
    {"", "", FIND_FOLDED, 0, 1},
    {"ab", "abc", FIND_EXACT, 0, 0},
    {"abab", "ab", FIND_EXACT, 0, 1},  // first match
    {"xxab", "AB", FIND_FOLDED, 0, 3},
    {"Install=Produit", "INSTALL=", FIND_FOLDED, 0, 1},
    // Folding table: 0x82 folds to E, 0xE9 only to itself, 0x81 to V.
    {"caf\x82", "E", FIND_FOLDED, 0, 4},
    {"caf\x82", "e", FIND_FOLDED, 0, 4},
    {"caf\x82", "e", FIND_EXACT, 0, 0},
    {"caf\xE9", "e", FIND_FOLDED, 0, 0},
    {"caf\xE9", "E", FIND_FOLDED, 0, 0},
    {"caf\xE9", "\xE9", FIND_FOLDED, 0, 4},
    {"caf\xE9", "\xC9", FIND_FOLDED, 0, 0},
    {"\x81", "v", FIND_FOLDED, 0, 1},
    {"\x81", "V", FIND_FOLDED, 0, 1},
    {"\x81", "u", FIND_FOLDED, 0, 0},
    {"\x81", "U", FIND_FOLDED, 0, 0},
    {"\xA4" "a", "na", FIND_FOLDED, 0, 1},
};

TEST(FindText, Table) {
  for (const FindCase& c : kFindCases) {
    SCOPED_TRACE(std::string("'") + c.needle + "' in '" + c.haystack + "' mode " +
                 std::to_string(c.mode) + " length " + std::to_string(c.length));
    EXPECT_EQ(FindText(c.haystack, c.needle, c.mode, c.length), c.expected);
    const char* after = FindAfter(c.haystack, c.needle, c.mode, c.length);
    if (c.expected == 0) {
      EXPECT_EQ(after, nullptr);
    } else {
      EXPECT_EQ(after, c.haystack + c.expected - 1 + std::strlen(c.needle));
    }
  }
}

TEST(FindText, WithALengthZeroBytesAreOrdinaryBytes) {
  const char haystack[] = {'a', 0, 'b', 'c', 0};
  EXPECT_EQ(FindText(haystack, "bc", FIND_EXACT, 4), 3);
  EXPECT_EQ(FindText(haystack, "bc", FIND_EXACT, 0), 0);
  EXPECT_EQ(FindText(haystack, "bc", FIND_EXACT, 3), 0);
}

TEST(FindText, ReadsNothingBeyondTheLength) {
  // A haystack without terminator, exactly as long as the length given.
  const char haystack[4] = {'w', 'x', 'y', 'z'};
  EXPECT_EQ(FindText(haystack, "yz", FIND_FOLDED, 4), 3);
  EXPECT_EQ(FindText(haystack, "za", FIND_FOLDED, 4), 0);
}

TEST(FoldTable, MatchesTheLetterMap) {
  unsigned char expected[256];
  for (int b = 0; b < 256; ++b) expected[b] = static_cast<unsigned char>(b);
  for (int b = 'a'; b <= 'z'; ++b) expected[b] = static_cast<unsigned char>(b - 'a' + 'A');
  const char* oem = "CVEAAAACEEEIIIAA" "E..OOOUUYOUC...." "AIOUNN";
  for (int k = 0; oem[k]; ++k)
    if (oem[k] != '.') expected[0x80 + k] = static_cast<unsigned char>(oem[k]);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(FOLD_TABLE[b], expected[b]) << "byte " << b;
}

struct KeyCase {
  const char* haystack;
  int length;
  const char* key;
  int capacity;
  int expected;
  const char* value;  // buffer afterwards (starts as "untouched")
};

const KeyCase kKeyCases[] = {
    {"first line\r\nDWCL=123\r\nDWCH=9", 0, "\r\nDWCL=", 32, 3, "123"},
    {"first line\r\nDWCL=123\r\nDWCH=9", 0, "\r\nDWCH=", 32, 1, "9"},
    {"first line\r\ndwcl=77\n", 0, "\r\nDWCL=", 32, 2, "77"},  // folded key
    {"first line\r\nOTHER=1", 0, "\r\nDWCL=", 32, 0, "untouched"},
    {"x\r\nDWCL=123456", 0, "\r\nDWCL=", 4, 3, "123"},
    {"x\r\nDWCL=123456", 0, "\r\nDWCL=", 1, 0, ""},
    {"x\r\nDWCL=", 0, "\r\nDWCL=", 32, 0, ""},
    {"x\r\nDWCL=\r\nmore", 0, "\r\nDWCL=", 32, 0, ""},
    {"x\r\nDWCL=12345", 10, "\r\nDWCL=", 32, 5, "12345"},  // the value runs past the length
    {"x\r\nDWCL=12345", 8, "\r\nDWCL=", 32, 5, "12345"},  // key ends at the length
    {"x\r\nDWCL=12345", 7, "\r\nDWCL=", 32, 0, "untouched"},  // key cut by the length
    {"Install=Mon produit\x01rest", 0, "install=", 64, 16, "Mon produit\x01rest"},
};

TEST(GetKeyValue, Table) {
  for (const KeyCase& c : kKeyCases) {
    SCOPED_TRACE(std::string(c.haystack) + " capacity " + std::to_string(c.capacity));
    char value[64];
    std::memset(value, '#', sizeof value);
    std::strcpy(value, "untouched");
    EXPECT_EQ(GetKeyValue(c.haystack, c.length, c.key, value, c.capacity), c.expected);
    EXPECT_STREQ(value, c.value);
  }
}

TEST(GetKeyValue, ZeroCapacityWritesNothing) {
  char value[4] = "abc";
  EXPECT_EQ(GetKeyValue("K=1", 0, "K=", value, 0), 0);
  EXPECT_STREQ(value, "abc");
}

struct ReplaceCase {
  const char* path;
  const char* name;
  const char* expected;
};

const ReplaceCase kReplaceCases[] = {
    {"C:\\dir\\*.*", "a.txt", "C:\\dir\\a.txt"},
    {"C:*.*", "a", "C:a"},
    {"*.*", "a", "a"},
    {"C:\\", "x", "C:\\x"},
    {"a\\b:c\\d", "e", "a\\b:c\\e"},
    {"dir\\", "", "dir\\"},
};

TEST(ReplaceFileName, Table) {
  for (const ReplaceCase& c : kReplaceCases) {
    SCOPED_TRACE(std::string(c.path) + " + " + c.name);
    char result[64];
    std::memset(result, '#', sizeof result);
    ReplaceFileName(c.path, c.name, result);
    EXPECT_STREQ(result, c.expected);
  }
}

TEST(ReplaceFileName, NeedsNoRoomForTheReplacedComponent) {
  // Room for "C:\d\" + "a" + NUL only; the path's long last part is never copied.
  char result[7 + 1];
  std::memset(result, '#', sizeof result);
  ReplaceFileName("C:\\d\\a-very-long-pattern-*.*", "a", result);
  EXPECT_STREQ(result, "C:\\d\\a");
  EXPECT_EQ(result[7], '#');
}

TEST(ReplaceFileName, ResultMayBeThePath) {
  char buffer[32] = "C:\\dir\\*.*";
  ReplaceFileName(buffer, "file.dat", buffer);
  EXPECT_STREQ(buffer, "C:\\dir\\file.dat");
}

}  // namespace
