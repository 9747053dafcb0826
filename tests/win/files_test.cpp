#include "util/files_win.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/win/scratch_dir.h"

namespace {

using scratch::Get;
using scratch::Put;

// Records what EnumFiles hands over; answers 0 at the call numbered
// stopAtCall (1-based) and sets *raise on the call numbered raiseAtCall.
class Recorder : public CtEnumContext {
 public:
  int OnFile(const char* path, int userValue) {
    paths.push_back(path);
    userValues.push_back(userValue);
    int call = int(paths.size());
    if (raise && call == raiseAtCall) *raise = 1;
    return call == stopAtCall ? 0 : 1;
  }
  int List(const std::string& pattern, int userValue = 0, int* stop = nullptr) {
    return EnumFiles(pattern.c_str(), this, static_cast<ENUM_CALLBACK>(&Recorder::OnFile),
                     userValue, stop);
  }
  std::vector<std::string> paths;
  std::vector<int> userValues;
  int stopAtCall = 0;
  int raiseAtCall = 0;
  int* raise = nullptr;
};

class FilesTest : public ::testing::Test {
 protected:
  scratch::Dir dir{"sfx_files_"};
  std::string At(const std::string& name) const { return dir.path() + "\\" + name; }
};

TEST_F(FilesTest, EnumFilesHandsOverFilesOnlyAndCountsAllButDotNames) {
  ASSERT_TRUE(Put(At("a.txt"), "a"));
  ASSERT_TRUE(Put(At(".hidden"), "h"));
  ASSERT_TRUE(CreateDirectoryA(At("sub").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA(At(".dotdir").c_str(), nullptr));
  Recorder r;
  EXPECT_EQ(r.List(At("*.*"), -7), 2);
  EXPECT_EQ(r.paths, std::vector<std::string>{At("a.txt")});
  EXPECT_EQ(r.userValues, std::vector<int>{-7});
}

TEST_F(FilesTest, EnumFilesPatternSelectsAndPathsKeepTheDirectoryPart) {
  ASSERT_TRUE(Put(At("x.dat"), "x"));
  ASSERT_TRUE(Put(At("y.txt"), "y"));
  Recorder r;
  EXPECT_EQ(r.List(At("*.dat"), 1234), 1);
  EXPECT_EQ(r.paths, std::vector<std::string>{At("x.dat")});
  EXPECT_EQ(r.userValues, std::vector<int>{1234});
}

TEST_F(FilesTest, EnumFilesEndsWhenTheCallbackAnswersZero) {
  for (const char* name : {"1.txt", "2.txt", "3.txt"}) ASSERT_TRUE(Put(At(name), name));
  Recorder r;
  r.stopAtCall = 1;
  EXPECT_EQ(r.List(At("*.*")), 1);
  EXPECT_EQ(r.paths.size(), 1u);
}

TEST_F(FilesTest, EnumFilesStopFlag) {
  for (const char* name : {"1.txt", "2.txt", "3.txt"}) ASSERT_TRUE(Put(At(name), name));
  int stop = 1;
  Recorder already;
  EXPECT_EQ(already.List(At("*.*"), 0, &stop), 0);
  EXPECT_TRUE(already.paths.empty());

  // Raised during the listing: the next entry is not examined.
  stop = 0;
  Recorder during;
  during.raise = &stop;
  during.raiseAtCall = 1;
  EXPECT_EQ(during.List(At("*.*"), 0, &stop), 1);
  EXPECT_EQ(during.paths.size(), 1u);

  // A clear flag changes nothing.
  stop = 0;
  Recorder clear;
  EXPECT_EQ(clear.List(At("*.*"), 0, &stop), 3);
  EXPECT_EQ(clear.paths.size(), 3u);
}

TEST_F(FilesTest, EnumFilesFindsNothingWithoutCallingBack) {
  Recorder r;
  EXPECT_EQ(r.List(At("*.*")), 0);
  EXPECT_EQ(r.List(At("*.none")), 0);
  EXPECT_EQ(r.List(At("missing\\*.*")), 0);
  EXPECT_TRUE(r.paths.empty());
}

TEST_F(FilesTest, EnumFilesCutsNamesAt63Characters) {
  const std::string longName(70, 'n');
  ASSERT_TRUE(Put(At(longName), "long"));
  Recorder r;
  EXPECT_EQ(r.List(At("*.*")), 1);
  ASSERT_EQ(r.paths.size(), 1u);
  EXPECT_EQ(r.paths[0], At(longName.substr(0, 63)));
  EXPECT_FALSE(scratch::Exists(r.paths[0]));
}

// The full path of a 63-character name must fit 255 characters: a directory
// part (up to its last backslash) of 192 characters is listed, 193 is not.
TEST_F(FilesTest, EnumFilesRefusesADirectoryPartWithoutRoomForANameOf63) {
  for (int dirPart : {192, 193}) {
    const int subLength = dirPart - int(dir.path().size()) - 2;  // two backslashes
    ASSERT_GT(subLength, 0);
    const std::string sub = At(std::string(subLength, char('a' + dirPart % 26)));
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr)) << sub;
    const std::string name(63, 'f');
    ASSERT_TRUE(Put(sub + "\\" + name, "f"));
    Recorder r;
    const std::string pattern = sub + "\\*.*";
    ASSERT_EQ(int(pattern.size()), dirPart + 3);
    if (dirPart == 192) {
      EXPECT_EQ(r.List(pattern), 1);
      ASSERT_EQ(r.paths.size(), 1u);
      EXPECT_EQ(r.paths[0], sub + "\\" + name);
      EXPECT_EQ(r.paths[0].size(), 255u);
    } else {
      EXPECT_EQ(r.List(pattern), 0);
      EXPECT_TRUE(r.paths.empty());
    }
  }
}

TEST_F(FilesTest, NewHandleHoldsNothing) {
  H_FILE f;
  EXPECT_EQ(f.handle, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(f.name, "");
  EXPECT_EQ(f.lastCount, 0u);
  EXPECT_EQ(f.lastError, 0u);
  EXPECT_EQ(f.WriteBytes("hello", -1), 0u);
  f.SetTimeFromInfo("x\r\nDWCL=1\r\nDWCH=30000000", 0);
}

TEST_F(FilesTest, CreateAlwaysEmptiesAnExistingFileAndTextLengthIsWritten) {
  const std::string path = At("f.txt");
  ASSERT_TRUE(Put(path, "a much longer previous content"));
  {
    H_FILE f;
    ASSERT_EQ(f.OpenFile(path.c_str(), CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE), 1);
    EXPECT_EQ(f.name, path);
    EXPECT_EQ(Get(path), "");
    EXPECT_EQ(f.WriteBytes("hello", -1), 5u);
    EXPECT_EQ(f.lastCount, 5u);
    EXPECT_EQ(f.WriteBytes("\0\1\2", 3), 3u);
  }
  EXPECT_EQ(Get(path), std::string("hello\0\1\2", 8));
}

TEST_F(FilesTest, OthersMayReadAnOpenFileButNotWriteOrDeleteIt) {
  const std::string path = At("shared.txt");
  {
    H_FILE f;
    ASSERT_EQ(f.OpenFile(path.c_str(), CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE), 1);
    ASSERT_EQ(f.WriteBytes("data", -1), 4u);
    EXPECT_EQ(Get(path), "data");
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
  }
  // The destructor closed it.
  EXPECT_TRUE(DeleteFileA(path.c_str()));
}

TEST_F(FilesTest, FailedOpenKeepsTheErrorAndWritesNothing) {
  const std::string path = At("missing\\f.txt");
  H_FILE f;
  EXPECT_EQ(f.OpenFile(path.c_str(), CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE), 0);
  EXPECT_EQ(f.handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(f.lastError, DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(f.WriteBytes("hello", -1), 0u);
  EXPECT_EQ(f.lastCount, 0u);
  EXPECT_EQ(f.lastError, DWORD(ERROR_PATH_NOT_FOUND));
  EXPECT_FALSE(scratch::Exists(path));
}

TEST_F(FilesTest, NameIsCutAt255Characters) {
  const std::string path = At(std::string(300, 'n'));
  H_FILE f;
  EXPECT_EQ(f.OpenFile(path.c_str(), CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE), 0);
  EXPECT_EQ(std::string(f.name), path.substr(0, 255));
  EXPECT_NE(f.lastError, 0u);
}

TEST_F(FilesTest, FailedWriteKeepsTheErrorAndTheCount) {
  const std::string path = At("ro.txt");
  ASSERT_TRUE(Put(path, "old"));
  H_FILE f;
  ASSERT_EQ(f.OpenFile(path.c_str(), OPEN_EXISTING, GENERIC_READ), 1);
  EXPECT_EQ(f.WriteBytes("new", -1), 0u);
  EXPECT_EQ(f.lastCount, 0u);
  EXPECT_EQ(f.lastError, DWORD(ERROR_ACCESS_DENIED));
  EXPECT_EQ(Get(path), "old");
}

TEST_F(FilesTest, NegativeLengthOtherThanMinusOneWritesNothing) {
  const std::string path = At("neg.txt");
  {
    H_FILE f;
    ASSERT_EQ(f.OpenFile(path.c_str(), CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE), 1);
    EXPECT_EQ(f.WriteBytes("hello", -2), 0u);
  }
  EXPECT_EQ(Get(path), "");
}

TEST_F(FilesTest, WriteLimitSeamMakesAShortWrite) {
  const std::string path = At("short.txt");
  g_hFileWriteLimitHook = [](int length) { return length / 2; };
  {
    H_FILE f;
    ASSERT_EQ(f.OpenFile(path.c_str(), CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE), 1);
    EXPECT_EQ(f.WriteBytes("0123456789", 10), 5u);
  }
  g_hFileWriteLimitHook = nullptr;
  EXPECT_EQ(Get(path), "01234");
}

TEST_F(FilesTest, SetTimeFromInfoSetsTheLastWriteTimeOrLeavesIt) {
  const uint64_t high = 30000000;  // a FILETIME in 2009
  struct Case {
    const char* info;
    bool set;
    uint64_t time;
  } cases[] = {
      {"sfxpack\r\nDWCL=7\r\nDWCH=30000000", true, (high << 32) | 7},
      {"sfxpack\r\nDWCH=30000000", true, high << 32},
      {"sfxpack", false, 0},
      {"DWCH=30000000", false, 0},
  };
  for (const Case& c : cases) {
    const std::string path = At("t.txt");
    const uint64_t before = scratch::Now();
    {
      H_FILE f;
      ASSERT_EQ(f.OpenFile(path.c_str(), CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE), 1);
      f.WriteBytes("t", 1);
      f.SetTimeFromInfo(c.info, 0);
    }
    const uint64_t t = scratch::LastWrite(path);
    if (c.set) {
      EXPECT_EQ(t, c.time) << c.info;
    } else {
      EXPECT_GE(t + 20000000, before) << c.info;  // 2 s of slack
      EXPECT_LE(t, scratch::Now() + 20000000) << c.info;
    }
  }
}

}  // namespace
