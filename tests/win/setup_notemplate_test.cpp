// The setup sequence in a program without the dialog template: neither dialog
// can be created, and that must never count as consent or as a finished
// extraction.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fenetre/fenetre.h"
#include "installer/hfen.h"
#include "setup_support.h"
#include "util/log.h"

using namespace setup_support;

namespace {

class CountingSink : public LogSink {
 public:
  void Deliver(const char*) override { ++count; }
  int count = 0;
};

class NoTemplateTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnregistreClasses(GetModuleHandleA(nullptr)); }
  void SetUp() override {
    window = new H_FEN("Essai sans gabarit");
    MSG msg;
    PeekMessageA(&msg, window->hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE);
    AddLogSink(&on67, 67);
    AddLogSink(&on101, 101);
  }
  void TearDown() override {
    RemoveLogSink(&on67);
    RemoveLogSink(&on101);
    DestroyWindow(window->hwnd);
    delete window;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  TestInstance application;
  H_FEN* window = nullptr;
  CountingSink on67;
  CountingSink on101;
};

TEST_F(NoTemplateTest, TheTemplateIsReallyMissing) {
  EXPECT_EQ(nullptr, FindResourceA(GetModuleHandleA(nullptr), "AUTO_KPX", MAKEINTRESOURCEA(5)));
}

TEST_F(NoTemplateTest, NothingIsExtractedOrStarted) {
  struct Case {
    const char* title;
    bool product;
    int reports;  // one per dialog that failed
  } const cases[] = {
      {"confirmation fails", true, 1},
      {"extraction fails", false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    PrivateTemp temp("setup_notemplate");
    Watcher watcher(IDOK);
    on67.count = 0;
    on101.count = 0;
    std::vector<Entry> entries = {{"AutoInst_setup.exe", ChildBytes()},
                                  {"install.exe", ChildBytes()},
                                  {"exitcode.txt", "3"}};
    if (c.product) entries.push_back({"p.kpx", "Install=P"});
    std::vector<uint8_t> bytes = BuildArchive(entries);
    CtResArchive archive(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_EQ(0, window->RunSetupFrom(&archive, "/S auto=1"));
    Sleep(300);
    EXPECT_EQ(c.reports, on67.count);
    // Not even an attempt to start a program.
    EXPECT_EQ(0, on101.count);
    EXPECT_FALSE(Exists(temp.Extraction()));
    EXPECT_TRUE(temp.Started().empty());
    EXPECT_TRUE(watcher.seen.empty());
  }
}

}  // namespace
