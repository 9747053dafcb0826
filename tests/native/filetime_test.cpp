#include "util/filetime.h"

#include <gtest/gtest.h>

namespace {

struct ValueCase {
  const char* value;
  uint32_t expected;
};

const ValueCase kValues[] = {
    {"0", 0},
    {"7", 7},
    {"4294967295", 4294967295u},
    {"-1", 4294967295u},
    {"-3", 4294967293u},
    {"4294967296", 0},
    {"4294967297", 1},
    {"999999999999999", 2764472319u},  // 10^15 - 1 modulo 2^32
    {"00012", 12},
    {"12abc", 12},
    {"1 2", 1},
    {"+5", 5},
    {"-0", 0},
    {" \t\v\f42", 42},
    {"  -7", 4294967289u},
    {"", 0},
    {"abc", 0},
    {"--5", 0},
    {"+-5", 0},
    {"- 3", 0},
    {"\r5", 0},
};

TEST(KeyValueToUInt32, Table) {
  for (const ValueCase& c : kValues)
    EXPECT_EQ(KeyValueToUInt32(c.value), c.expected) << "value: \"" << c.value << "\"";
}

struct InfoCase {
  const char* info;
  int length;
  int found;
  uint32_t low, high;
};

const InfoCase kInfos[] = {
    {"sfxpack\r\nDWCL=7\r\nDWCH=3", 0, 1, 7, 3},
    {"sfxpack\r\nDWCH=3\r\nDWCL=7", 0, 1, 7, 3},
    {"x\r\nDWCL=5", 0, 1, 5, 0},
    {"x\r\nDWCH=9", 0, 1, 0, 9},
    {"x", 0, 0, 0, 0},
    {"", 0, 0, 0, 0},
    // A key on the first line has no line break before it.
    {"DWCL=5", 0, 0, 0, 0},
    {"DWCL=5\r\nDWCH=2", 0, 1, 0, 2},
    // Only CR LF makes a line break.
    {"x\rDWCL=5", 0, 0, 0, 0},
    {"x\nDWCL=5", 0, 0, 0, 0},
    // Keys compare folded; the first occurrence counts.
    {"x\r\ndwcl=8\r\nDwCh=1", 0, 1, 8, 1},
    {"x\r\nDWCL=1\r\nDWCL=2\r\nDWCH=3", 0, 1, 1, 3},
    // Present but empty counts as empty; present without digits as 0.
    {"x\r\nDWCL=\r\nDWCH=", 0, 0, 0, 0},
    {"x\r\nDWCL=\r\nDWCH=4", 0, 1, 0, 4},
    {"x\r\nDWCL=abc", 0, 1, 0, 0},
    // At most 15 characters of a value are read.
    {"x\r\nDWCL=0000000000000012345", 0, 1, 1, 0},
    {"x\r\nDWCL=-1\r\nDWCH=4294967296", 0, 1, 4294967295u, 0},
    {"x\r\nDWCL=00012\r\nDWCH=12abc", 0, 1, 12, 12},
    // A length ends the text before the second key.
    {"x\r\nDWCL=7\r\nDWCH=3", 10, 1, 7, 0},
};

TEST(FileTimeFromInfo, Table) {
  for (const InfoCase& c : kInfos) {
    uint32_t low = 0xA5A5A5A5u, high = 0x5A5A5A5Au;
    EXPECT_EQ(FileTimeFromInfo(c.info, c.length, &low, &high), c.found) << "info: " << c.info;
    if (c.found) {
      EXPECT_EQ(low, c.low) << "info: " << c.info;
      EXPECT_EQ(high, c.high) << "info: " << c.info;
    } else {
      EXPECT_EQ(low, 0xA5A5A5A5u) << "info: " << c.info;
      EXPECT_EQ(high, 0x5A5A5A5Au) << "info: " << c.info;
    }
  }
}

}  // namespace
