#include "tools/sfxpack/cli.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace sfxpack;

namespace {

TEST(Utf8ToCp1252, MapsWhatTheCodePageHoldsAndRefusesTheRest) {
  struct Case {
    const char* utf8;
    bool ok;
    const char* cp1252;
  } cases[] = {
      {"setup.exe", true, "setup.exe"},
      {"pr\xC3\xA9" "face", true, "pr\xE9" "face"},
      {"\xE2\x82\xAC", true, "\x80"},         // euro sign
      {"\xC5\xB8", true, "\x9F"},             // Y with diaeresis
      {"\xC5\x93uvre", true, "\x9Cuvre"},     // oe ligature
      {"\xC3\xBF", true, "\xFF"},
      {"\xE6\x97\xA5", false, ""},            // CJK
      {"\xF0\x9F\x98\x80", false, ""},        // emoji
      {"\xC2\x81", false, ""},                // U+0081, no place in the code page
      {"\xC3", false, ""},                    // cut sequence
      {"\xC0\xAF", false, ""},                // overlong slash
      {"\xE9t\xE9", false, ""},               // Latin-1 bytes, not UTF-8
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    std::string out = "unchanged";
    EXPECT_EQ(Utf8ToCp1252(c.utf8, out), c.ok);
    if (c.ok) {
      EXPECT_EQ(out, c.cp1252);
    }
  }
}

TEST(Cp1252ToUtf8, RoundTripsEveryDefinedByte) {
  for (int b = 0x20; b < 0x100; ++b) {
    if (b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
    const std::string one(1, (char)b);
    std::string back;
    ASSERT_TRUE(Utf8ToCp1252(Cp1252ToUtf8(one), back)) << b;
    EXPECT_EQ(back, one) << b;
  }
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
}

TEST(UnsafeNameReason, Table) {
  struct Case {
    const char* name;
    bool safe;
  } cases[] = {
      {"setup.exe", true},       {"AutoInst_Setup.exe", true}, {"a b.txt", true},
      {"CONFIG.SYS", true},      {"COM10", true},              {"LPT", true},
      {"NULL.txt", true},        {"pr\xE9" "face.kpx", true},  {".hidden", true},
      {"console.log", true},     {"", false},                  {".", false},
      {"..", false},             {"a:b", false},               {"C:x.dll", false},
      {"\\x.dll", false},        {"a\\b.txt", false},          {"a/b.txt", false},
      {"..\\..\\x.dll", false},  {"CON", false},               {"con.txt", false},
      {"Nul.tar.gz", false},     {"COM1", false},              {"lpt9.log", false},
      {"COM\xB9", false},        {"AUX .txt", false},          {"prn", false},
      {"CONIN$", false},         {"a?b", false},               {"a*b", false},
      {"a\"b", false},           {"a<b", false},               {"a>b", false},
      {"a|b", false},            {"x.", false},                {"x ", false},
      {"tab\tname", false},      {"a.txt:stream", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string reason = UnsafeNameReason(c.name);
    EXPECT_EQ(reason.empty(), c.safe) << reason;
  }
}

TEST(RecognitionRules, SetupProgramAndSetupInformationNames) {
  struct Case {
    const char* name;
    bool program, info;
  } cases[] = {
      {"AutoInst_Setup.EXE", true, false}, {"AutoInst_a.exe.txt", true, false},
      {"autoinst_setup.exe", false, false}, {"AutoInst_readme.txt", false, false},
      {"Setup.exe", false, false},          {"AutoInst_", false, false},
      {"AutoInst.exe", false, false},       {"info.KPX", false, true},
      {"a.kpx.txt", false, true},           {"kpx", false, false},
      {"AutoInst_x.exe.kpx", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsSetupProgramName(c.name), c.program);
    EXPECT_EQ(IsSetupInfoName(c.name), c.info);
  }
}

TEST(RecognitionRules, InstallValue) {
  struct Case {
    std::string content;
    bool named;
  } cases[] = {
      {"Install=Produit X\r\n", true},   {"install=P", true},
      {"[x]\r\nXInstall=P\r\n", true},   {"Install=\xE9t\xE9", true},
      {"Install=\r\nInstall=Y", false},  {"Install=", false},
      {"", false},                       {"Install=\tX", false},
      {"Instal=X", false},               {std::string("a\0Install=Z", 11), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    EXPECT_EQ(HasInstallValue(std::vector<uint8_t>(c.content.begin(), c.content.end())), c.named);
  }
}

TEST(FileTimes, UnixAndFileTimeConvertBothWays) {
  struct Case {
    int64_t seconds;
    uint32_t nanoseconds;
    uint64_t fileTime;
  } cases[] = {
      {0, 0, 116444736000000000ull},
      {1, 500, 116444736010000005ull},
      {1609459200, 123456700, 132539328001234567ull},
      {-1, 0, 116444735990000000ull},
      {-11644473600, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UnixToFileTime(c.seconds, c.nanoseconds), c.fileTime);
    int64_t s = 7;
    uint32_t ns = 7;
    FileTimeToUnix(c.fileTime, s, ns);
    EXPECT_EQ(s, c.seconds);
    EXPECT_EQ(ns, c.nanoseconds);
  }
  EXPECT_EQ(UnixToFileTime(-20000000000, 0), 0u);  // before 1601
  int64_t s;
  uint32_t ns;
  FileTimeToUnix(116444735995000000ull, s, ns);  // half a second before 1970
  EXPECT_EQ(s, -1);
  EXPECT_EQ(ns, 500000000u);
}

TEST(FileTimes, InfoTextAsTheInstallerReadsIt) {
  struct Case {
    std::string info;
    bool found;
    uint64_t time;
  } cases[] = {
      {"x\r\nDWCL=7\r\nDWCH=3", true, (3ull << 32) | 7},
      {"DWCL=7", false, 0},
      {"x\r\ndwcl=5", true, 5},
      {"x\r\nDWCL=-1", true, 0xFFFFFFFFull},
      {"x\r\nDWCH=1", true, 1ull << 32},
      {"x\r\nDWCL=4294967296\r\nDWCH=00012", true, 12ull << 32},
      {"x\r\nDWCL=12abc", true, 12},
      {"", false, 0},
      {"x\r\nDWCL=\r\nDWCH=", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.info);
    uint64_t time = 99;
    EXPECT_EQ(FileTimeFromInfo(c.info, time), c.found);
    if (c.found) {
      EXPECT_EQ(time, c.time);
    }
  }
}

TEST(CommandLine, UsageErrorsAndHelp) {
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* inErr;
  } cases[] = {
      {{}, 2, "Usage"},
      {{"frobnicate"}, 2, "unknown command"},
      {{"build"}, 2, "build needs"},
      {{"build", "dir"}, 2, "build needs"},
      {{"build", "dir", "-o"}, 2, "needs a value"},
      {{"list"}, 2, "list needs"},
      {{"list", "a", "b"}, 2, "list needs"},
      {{"extract", "f"}, 2, "extract needs"},
      {{"list", "--bogus", "f"}, 2, "unknown option"},
      {{"test", "--store", "f"}, 2, "unknown option"},
      {{"test", "/nonexistent/sfxpack-test-file"}, 1, "/nonexistent/sfxpack-test-file: cannot read"},
  };
  for (const Case& c : cases) {
    std::ostringstream out, err;
    EXPECT_EQ(RunCommandLine(c.args, out, err), c.code);
    EXPECT_NE(err.str().find(c.inErr), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
  }
  std::ostringstream out, err;
  EXPECT_EQ(RunCommandLine({"--help"}, out, err), 0);
  EXPECT_NE(out.str().find("sfxpack build DIR -o SETUP.exe"), std::string::npos);
  EXPECT_EQ(err.str(), "");
}

}  // namespace
