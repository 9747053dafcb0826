#include "util/format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "util/log.h"

namespace {

enum ArgKind { NONE, NUMBER, TEXT, NUMBER_NUMBER };

struct FormatCase {
  const char* format;
  int size;
  ArgKind kind;
  unsigned int number;
  const char* text;
  const char* expected;
};

const char kFiftyThree[] = "00000000000000000000000000000000000000000000000000007";
static_assert(sizeof kFiftyThree == 53 + 1, "53 characters");

const FormatCase kFormatCases[] = {
    {"%d", 64, NUMBER, static_cast<unsigned int>(-1), nullptr, "4294967295"},
    {"%D", 64, NUMBER, 42, nullptr, "42"},
    {"%u", 64, NUMBER, 4000000000u, nullptr, "4000000000"},
    {"%U", 64, NUMBER, 9, nullptr, "9"},
    {"%x", 64, NUMBER, 255, nullptr, "FF"},
    {"%X", 64, NUMBER, 0xABCDEF01u, nullptr, "ABCDEF01"},
    {"%08x", 64, NUMBER, 255, nullptr, "000000FF"},
    {"%.8x", 64, NUMBER, 255, nullptr, "000000FF"},
    {"%5d", 64, NUMBER, 123, nullptr, "  123"},
    {"%2d", 64, NUMBER, 123, nullptr, "12"},
    {"%0d", 64, NUMBER, 42, nullptr, "42"},
    {"%05d", 64, NUMBER, 42, nullptr, "00042"},
    {"%10d", 64, NUMBER, 0, nullptr, "         0"},
    {"%5.3d", 64, NUMBER, 7, nullptr, kFiftyThree},  // digits accumulate: width 53
    {"%5.3d", 55, NUMBER, 7, nullptr, kFiftyThree},
    {"%5.3d", 54, NUMBER, 7, nullptr, ""},  // 53 characters would end at S - 2
    {"%fd|%Fx", 64, NUMBER_NUMBER, 12, nullptr, "12|C"},
    {"%3s", 64, TEXT, 0, "abcdef", "abc"},
    {"%8s|", 64, TEXT, 0, "abc", "     abc|"},
    {"%08s", 64, TEXT, 0, "abc", "00000abc"},
    {"%s", 64, TEXT, 0, nullptr, ""},
    {"[%4s]", 64, TEXT, 0, nullptr, "[    ]"},
    {"%5c", 64, NUMBER, 'A', nullptr, "A"},
    {"%C", 64, NUMBER, 0x100 + 'z', nullptr, "z"},  // low 8 bits
    {"a%%b", 64, NONE, 0, nullptr, "ab"},
    {"%ld", 64, NUMBER, 7, nullptr, "d"},
    {"%ld%d", 64, NUMBER, 7, nullptr, "d7"},  // 'l' took no argument
    {"%-5d", 64, NUMBER, 3, nullptr, "5d"},
    {"%+d%d", 64, NUMBER, 3, nullptr, "d3"},
    {"%S%s", 64, TEXT, 0, "abc", "abc"},  // 'S' is no text directive
    {"Vandor Informatique. Ondexa %s", 80, TEXT, 0, "1.0a", "Vandor Informatique. Ondexa 1.0a"},
    {"Erreur en d\xE9" "compr\xE9ssion code %d", 128, NUMBER, 61,
     nullptr, "Erreur en d\xE9" "compr\xE9ssion code 61"},
    {"Erreur CreateProcess %d", 256, NUMBER, 2, nullptr, "Erreur CreateProcess 2"},
    // Buffer limits.
    {"%s", 10, TEXT, 0, "12345678", "12345678"},
    {"%s", 10, TEXT, 0, "123456789", ""},
    {"123456789", 10, NONE, 0, nullptr, "123456789"},
    {"1234567890", 10, NONE, 0, nullptr, "123456789"},
    {"ab%s", 10, TEXT, 0, "1234567", "ab"},  // the field is left out whole
    {"ab%s", 10, TEXT, 0, "123456", "ab123456"},
    {"ab%c", 4, NUMBER, 'c', nullptr, "abc"},
    {"ab%cd", 4, NUMBER, 'c', nullptr, "abc"},
    {"abc%c", 4, NUMBER, 'c', nullptr, "abc"},
    {"%3d", 5, NUMBER, 123, nullptr, "123"},
    {"%4d", 5, NUMBER, 1234, nullptr, ""},
    {"abc", 1, NONE, 0, nullptr, ""},
    {"%c", 1, NUMBER, 'x', nullptr, ""},
    // A format that ends inside a directive ends the formatting there.
    {"ab%", 64, NONE, 0, nullptr, "ab"},
    {"ab%05", 64, NONE, 0, nullptr, "ab"},
    {"ab%.F", 64, NONE, 0, nullptr, "ab"},
    // A width beyond any buffer never fits.
    {"x%99999999999999999999d", 64, NUMBER, 5, nullptr, "x"},
};

TEST(FormatText, Table) {
  for (const FormatCase& c : kFormatCases) {
    SCOPED_TRACE(std::string(c.format) + " size " + std::to_string(c.size));
    char buffer[300];
    std::memset(buffer, '#', sizeof buffer);
    int result = 0;
    switch (c.kind) {
      case NONE: result = FormatText(buffer, c.size, c.format); break;
      case NUMBER: result = FormatText(buffer, c.size, c.format, c.number); break;
      case TEXT: result = FormatText(buffer, c.size, c.format, c.text); break;
      case NUMBER_NUMBER: result = FormatText(buffer, c.size, c.format, c.number, 12u); break;
    }
    EXPECT_STREQ(buffer, c.expected);
    EXPECT_EQ(result, static_cast<int>(std::strlen(c.expected)));
    for (int i = c.size; i < static_cast<int>(sizeof buffer); ++i)
      ASSERT_EQ(buffer[i], '#') << "written past the size at " << i;
  }
}

TEST(FormatText, SizeZeroWritesNothing) {
  char buffer[4] = {'#', '#', '#', '#'};
  EXPECT_EQ(FormatText(buffer, 0, "abc%d", 5u), 0);
  for (char b : buffer) EXPECT_EQ(b, '#');
  EXPECT_EQ(FormatText(nullptr, 10, "abc"), 0);
}

TEST(FormatText, UnfinishedDirectiveReadsNoFurther) {
  // The format is exactly as long as its text: a read past the NUL is caught
  // by the address sanitizer.
  const char text[] = "ok%12";
  std::unique_ptr<char[]> format(new char[sizeof text]);
  std::memcpy(format.get(), text, sizeof text);
  char buffer[16];
  EXPECT_EQ(FormatText(buffer, sizeof buffer, format.get(), 5u), 2);
  EXPECT_STREQ(buffer, "ok");
}

TEST(FormatText, ArgumentsAreTakenInOrder) {
  char buffer[64];
  EXPECT_EQ(FormatText(buffer, sizeof buffer, "%s=%d,%x;%c", "k", 10u, 26u, 'q'), 9);
  EXPECT_STREQ(buffer, "k=10,1A;q");
}

struct NumberCase {
  uint32_t value;
  unsigned base;
  const char* expected;  // null: no text
};

const NumberCase kNumberCases[] = {
    {0, 10, "0"},
    {0, 16, "0"},
    {7, 10, "7"},
    {4294967295u, 10, "4294967295"},
    {4294967295u, 16, "FFFFFFFF"},
    {0xBEEF, 16, "BEEF"},
    {5, 2, "101"},
    {4294967295u, 2, "11111111111111111111111111111111"},
    {100, 8, "144"},
    {1, 17, nullptr},
    {1, 100, nullptr},
    {1, 0, nullptr},
    {1, 1, nullptr},
};

TEST(NumberToText, Table) {
  for (const NumberCase& c : kNumberCases) {
    SCOPED_TRACE(std::to_string(c.value) + " base " + std::to_string(c.base));
    char buffer[40];
    std::memset(buffer, '#', sizeof buffer);
    char* result = NumberToText(c.value, buffer, c.base);
    if (c.expected) {
      EXPECT_EQ(result, buffer);
      EXPECT_STREQ(buffer, c.expected);
    } else {
      EXPECT_EQ(result, nullptr);
      EXPECT_EQ(buffer[0], '#');
    }
  }
}

struct DivideCase {
  uint32_t dividend, divisor, quotient, remainder;
};

const DivideCase kDivideCases[] = {
    {4294967295u, 2147483648u, 1, 2147483647u},
    {7, 2, 3, 1},
    {0, 5, 0, 0},
    {5, 7, 0, 5},
    {100, 10, 10, 0},
    {4294967295u, 1, 4294967295u, 0},
    {4294967295u, 4294967295u, 1, 0},
    {4294967295u, 16, 268435455u, 15},
    {2147483648u, 3, 715827882u, 2},
};

TEST(DivideUnsigned, Table) {
  for (const DivideCase& c : kDivideCases) {
    SCOPED_TRACE(std::to_string(c.dividend) + " / " + std::to_string(c.divisor));
    uint32_t q = 12345, r = 12345;
    DivideUnsigned(c.dividend, c.divisor, &q, &r);
    EXPECT_EQ(q, c.quotient);
    EXPECT_EQ(r, c.remainder);
  }
}

TEST(DivideUnsigned, AgreesWithTheMachineDivision) {
  uint32_t x = 2463534242u;
  for (int i = 0; i < 20000; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    const uint32_t a = x;
    const uint32_t d = (x >> (i % 32)) | 1u;
    uint32_t q, r;
    DivideUnsigned(a, d, &q, &r);
    ASSERT_EQ(q, a / d) << a << " / " << d;
    ASSERT_EQ(r, a % d) << a << " % " << d;
  }
}

TEST(DivideUnsigned, ZeroDivisorThrows) {
  uint32_t q = 0, r = 0;
  EXPECT_THROW(DivideUnsigned(7, 0, &q, &r), CtExceptionDiv0);
}

struct EmitCase {
  int room;  // end - position
  const char* text;
  char fill;
  int width;
  int expected;
  const char* written;
};

const EmitCase kEmitCases[] = {
    {10, "abc", ' ', 0, 1, "abc"},
    {10, "abc", '0', 6, 1, "000abc"},
    {10, "abcdef", ' ', 2, 1, "ab"},
    {10, nullptr, '*', 3, 1, "***"},
    {10, nullptr, ' ', 0, 1, ""},
    {4, "abcd", ' ', 0, 0, ""},  // would end on the last usable position
    {4, "abc", ' ', 0, 1, "abc"},
    {4, "a", ' ', 4, 0, ""},
};

TEST(EmitField, Table) {
  for (const EmitCase& c : kEmitCases) {
    SCOPED_TRACE(std::string(c.text ? c.text : "(null)") + " width " + std::to_string(c.width));
    char buffer[32];
    std::memset(buffer, 0, sizeof buffer);
    char* position = buffer;
    EXPECT_EQ(EmitField(&position, buffer + c.room, c.text, c.fill, c.width), c.expected);
    EXPECT_STREQ(buffer, c.written);
    EXPECT_EQ(position, buffer + std::strlen(c.written));
  }
}

// Log channels.

class RecordingSink final : public LogSink {
 public:
  void Deliver(const char* text) override {
    texts.push_back(text);
    pointers.push_back(text);
  }
  std::vector<std::string> texts;
  std::vector<const char*> pointers;
};

class LogChannels : public ::testing::Test {
 protected:
  void TearDown() override {
    RemoveLogSink(&channel0);
    RemoveLogSink(&channel101);
    RemoveLogSink(&second101);
    EXPECT_EQ(FindLogChannel(0), nullptr);
    EXPECT_EQ(FindLogChannel(101), nullptr);
  }
  RecordingSink channel0, channel101, second101;
};

TEST_F(LogChannels, EmptyRegistryFindsNothing) {
  EXPECT_EQ(FindLogChannel(0), nullptr);
  EXPECT_EQ(FindLogChannel(101), nullptr);
  LogReport(101, "nobody listens");
  LogReport(0, nullptr);
  EXPECT_TRUE(channel0.texts.empty());
}

TEST_F(LogChannels, ChannelZeroReceivesItsOwnReportOnce) {
  AddLogSink(&channel0, 0);
  LogReport(0, "once");
  ASSERT_EQ(channel0.texts.size(), 1u);
  EXPECT_EQ(channel0.texts[0], "once");
}

TEST_F(LogChannels, ReportReachesItsChannelThenChannelZero) {
  AddLogSink(&channel0, 0);
  AddLogSink(&channel101, 101);
  const char* text = "Erreur CreateProcess 2";
  LogReport(101, text);
  ASSERT_EQ(channel101.pointers.size(), 1u);
  ASSERT_EQ(channel0.pointers.size(), 1u);
  EXPECT_EQ(channel101.pointers[0], text);  // handed on unchanged
  EXPECT_EQ(channel0.pointers[0], text);
}

TEST_F(LogChannels, OtherChannelsReachOnlyChannelZero) {
  AddLogSink(&channel0, 0);
  AddLogSink(&channel101, 101);
  LogReport(67, "Erreur ProcessDialog 5");
  EXPECT_TRUE(channel101.texts.empty());
  ASSERT_EQ(channel0.texts.size(), 1u);
  EXPECT_EQ(channel0.texts[0], "Erreur ProcessDialog 5");
}

TEST_F(LogChannels, NullTextBecomesTheDefaultText) {
  AddLogSink(&channel0, 0);
  AddLogSink(&channel101, 101);
  LogReport(101, nullptr);
  ASSERT_EQ(channel101.pointers.size(), 1u);
  ASSERT_EQ(channel0.pointers.size(), 1u);
  EXPECT_EQ(channel101.pointers[0], g_logDefaultText);
  EXPECT_EQ(channel0.pointers[0], g_logDefaultText);
  EXPECT_EQ(channel0.texts[0], "");
}

TEST_F(LogChannels, LookupUsesTheLow16Bits) {
  AddLogSink(&channel0, 0);
  AddLogSink(&channel101, 101);
  EXPECT_EQ(FindLogChannel(101), &channel101);
  EXPECT_EQ(FindLogChannel(101 + 0x10000), &channel101);
  EXPECT_EQ(FindLogChannel(101 + 0x7FFF0000), &channel101);
  EXPECT_EQ(FindLogChannel(0x10000), &channel0);
  EXPECT_EQ(FindLogChannel(102), nullptr);
  // 0x10000 is channel 0: its sink hears the report once, not twice.
  LogReport(0x10000, "wrapped");
  EXPECT_EQ(channel0.texts.size(), 1u);
  EXPECT_TRUE(channel101.texts.empty());
}

TEST_F(LogChannels, FirstSinkOfAChannelWinsAndRemovalWorks) {
  AddLogSink(&channel101, 101);
  AddLogSink(&second101, 101);
  AddLogSink(&channel101, 101);  // adding again does not duplicate it
  EXPECT_EQ(FindLogChannel(101), &second101);
  LogReport(101, "a");
  EXPECT_EQ(second101.texts.size(), 1u);
  EXPECT_TRUE(channel101.texts.empty());
  RemoveLogSink(&second101);
  EXPECT_EQ(FindLogChannel(101), &channel101);
  LogReport(101, "b");
  ASSERT_EQ(channel101.texts.size(), 1u);
  EXPECT_EQ(channel101.texts[0], "b");
}

TEST_F(LogChannels, ReportFormattedIntoTheReportBuffer) {
  AddLogSink(&channel0, 0);
  AddLogSink(&channel101, 101);
  EXPECT_EQ(sizeof g_reportBuffer, 256u);
  FormatText(g_reportBuffer, sizeof g_reportBuffer, "Erreur CreateProcess %d", 193u);
  LogReport(101, g_reportBuffer);
  ASSERT_EQ(channel101.texts.size(), 1u);
  EXPECT_EQ(channel101.texts[0], "Erreur CreateProcess 193");
  EXPECT_EQ(channel0.texts, channel101.texts);
}

TEST(LogDefaultText, StaysEmpty) {
  for (char c : g_logDefaultText) EXPECT_EQ(c, 0);
}

}  // namespace
