// The setup sequence: recognition of the archive's entries, the product name,
// the commands it starts, both dialogs, and whole runs of RunSetup with the
// child program playing the setup program and install.exe.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "archive/ctmem.h"
#include "fenetre/fenetre.h"
#include "installer/dialogs.h"
#include "installer/hfen.h"
#include "setup_support.h"
#include "util/log.h"

using namespace setup_support;

namespace {

TEST(Recognition, EntryNames) {
  struct Case {
    const char* name;
    int setupProgram;
    int setupInfo;
  } const cases[] = {
      {"AutoInst_setup.exe", 1, 0},
      {"AutoInst_setup.EXE", 1, 0},
      {"AutoInst_a.exe.txt", 1, 0},
      {"autoinst_setup.exe", 0, 0},
      {"AUTOINST_setup.exe", 0, 0},
      {"AutoInst_readme.txt", 0, 0},
      {"Setup.exe", 0, 0},
      {"xAutoInst_setup.exe", 0, 0},
      {"AutoInst_", 0, 0},
      {"AutoInst.exe", 0, 0},
      {"info.kpx", 0, 1},
      {"info.KPX", 0, 1},
      {"a.kpx.bak", 0, 1},
      {"info.kp", 0, 0},
      {"AutoInst_x.exe.kpx", 1, 1},
      {"", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    char name[64] = {0};
    lstrcpynA(name, c.name, sizeof name);
    EXPECT_EQ(c.setupProgram, IsSetupProgramName(name));
    EXPECT_EQ(c.setupInfo, IsSetupInfoName(name));
  }
}

TEST(Recognition, ProductNameFromContent) {
  const std::string long200(200, 'p');
  struct Case {
    std::string content;
    int size;  // -1: the whole content
    std::string expected;
  } const cases[] = {
      {"Install=Produit X\r\nAutre=1", -1, "Produit X"},
      {"install=Produit", -1, "Produit"},
      {"INSTALL=Produit", -1, "Produit"},
      {"[x]\r\nXInstall=Y", -1, "Y"},
      {"Install=a\tb", -1, "a"},
      {"Install=\r\nInstall=Z", -1, ""},
      {"Nom=Produit", -1, ""},
      {"Install=caf\xE9 \xFF~!", -1, "caf\xE9 \xFF~!"},
      {"Install=A\x1F" "B", -1, "A"},
      {"a=1\r\nInstall=Deux\r\nInstall=Trois", -1, "Deux"},
      // The key must lie within the content.
      {"abcInstall=Z", 5, ""},
      {"abcInstall=Z", 11, "Z"},
      {"", 0, ""},
      // Cut at 127 bytes.
      {"Install=" + long200, -1, long200.substr(0, 127)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.content);
    // Zero bytes after the content, as in the block the sequence reads.
    std::vector<char> block(c.content.begin(), c.content.end());
    block.resize(block.size() + 10, 0);
    char product[128];
    std::memset(product, 'Q', sizeof product);
    const int size = c.size < 0 ? static_cast<int>(c.content.size()) : c.size;
    EXPECT_EQ(static_cast<int>(c.expected.size()),
              ReadProductName(block.data(), size, product, sizeof product));
    EXPECT_EQ(c.expected, std::string(product));
  }
}

struct ScanCase {
  const char* title;
  std::vector<Entry> entries;
  const char* setupProgram;
  const char* productName;
};

TEST(Recognition, ScanOfArchives) {
  const ScanCase cases[] = {
      {"empty archive", {}, "", ""},
      {"setup program only", {{"a.txt", "x"}, {"AutoInst_setup.EXE", "MZ"}}, "AutoInst_setup.EXE", ""},
      {"prefix is case-sensitive", {{"autoinst_setup.exe", "MZ"}}, "", ""},
      {"the last setup program wins",
       {{"AutoInst_a.exe", "MZ"}, {"b.txt", "b"}, {"AutoInst_b.exe", "MZ"}}, "AutoInst_b.exe", ""},
      {"folded kpx", {{"info.KPX", "Install=Produit"}}, "", "Produit"},
      {"first kpx without the key",
       {{"a.kpx", "Nom=A"}, {"b.kpx", "x\r\nInstall=Produit X\r\n"}}, "", "Produit X"},
      {"the first product wins", {{"a.kpx", "Install=A"}, {"b.kpx", "Install=B"}}, "", "A"},
      {"empty value goes on", {{"a.kpx", "Install=\r\nz"}, {"b.kpx", "Install=B"}}, "", "B"},
      {"stored kpx", {{"a.kpx", "install=Stocke", 0}}, "", "Stocke"},
      {"inverted kpx", {{"a.kpx", "install=Inverse", 1}}, "", "Inverse"},
      {"both kinds",
       {{"AutoInst_s.exe", "MZ"}, {"p.kpx", "Install=Produit\r\n"}, {"install.exe", "MZ"}},
       "AutoInst_s.exe", "Produit"},
      {"an entry of both kinds", {{"AutoInst_x.exe.kpx", "Install=Les deux"}},
       "AutoInst_x.exe.kpx", "Les deux"},
  };
  for (const ScanCase& c : cases) {
    SCOPED_TRACE(c.title);
    std::vector<uint8_t> bytes = BuildArchive(c.entries);
    CtResArchive archive(bytes.data(), static_cast<int32_t>(bytes.size()));
    CtSetupFound found;
    std::memset(&found, 'Q', sizeof found);
    ScanArchive(archive, &found);
    EXPECT_STREQ(c.setupProgram, found.setupProgram);
    EXPECT_STREQ(c.productName, found.productName);
  }
}

TEST(Recognition, BadCheckwordEndsTheScan) {
  std::vector<uint8_t> bytes = BuildArchive(
      {{"AutoInst_a.exe", "MZ"}, {"damaged.txt", "x"}, {"AutoInst_b.exe", "MZ"}, {"p.kpx", "Install=P"}});
  CtResArchive archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  CtResEntry entry;
  ASSERT_TRUE(archive.FindEntry(1, &entry));
  const_cast<unsigned char*>(entry.at)[ENTRY_HEADER_SIZE] ^= 0x01;
  CtSetupFound found;
  ScanArchive(archive, &found);
  EXPECT_STREQ("AutoInst_a.exe", found.setupProgram);
  EXPECT_STREQ("", found.productName);
}

int g_refusedBlock = 0;
int RefuseOneSize(int bytes) { return bytes != g_refusedBlock; }

TEST(Recognition, EntryWithoutBlockIsPassedOver) {
  const std::string big = "Install=Grand\r\n" + std::string(5000, 'x');
  std::vector<uint8_t> bytes = BuildArchive({{"a.kpx", big}, {"b.kpx", "Install=Petit"}});
  CtResArchive archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  g_refusedBlock = static_cast<int>(big.size()) + 10;
  g_ctMemAllowHook = RefuseOneSize;
  CtSetupFound found;
  ScanArchive(archive, &found);
  g_ctMemAllowHook = nullptr;
  EXPECT_STREQ("Petit", found.productName);
}

TEST(Recognition, UndeliveredContentIsPassedOver) {
  // An entry of mode 5 delivers its name but never its content.
  const std::string content = "Install=Jamais";
  std::vector<uint8_t> bytes(272, 0);
  bytes[0] = 0x10;
  bytes[1] = 0x01;
  for (auto record :
       {sfxpack::MakeEntryRecord("a.kpx", "i", 5, static_cast<int32_t>(content.size()),
                                 std::vector<uint8_t>(content.begin(), content.end())),
        sfxpack::MakeEntryRecord("b.kpx", "i", 0, 14,
                                 std::vector<uint8_t>({'I', 'n', 's', 't', 'a', 'l', 'l', '=',
                                                       'L', 'i', 's', 'i', 'b', 'l'}))})
    bytes.insert(bytes.end(), record.begin(), record.end());
  CtResArchive archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  CtSetupFound found;
  ScanArchive(archive, &found);
  EXPECT_STREQ("Lisibl", found.productName);
}

TEST(Commands, PathsAndInstallCommand) {
  const std::string d240 = "C:\\" + std::string(237, 'd');  // 240 characters
  struct Case {
    std::string directory;
    std::string argument;  // setup program name, or command line
    bool install;
    int ok;
    std::string expected;
  } const cases[] = {
      {"C:\\T\\tmp_vnd", "AutoInst_s.exe", false, 1, "C:\\T\\tmp_vnd\\AutoInst_s.exe"},
      {"C:\\T\\tmp_vnd\\", "AutoInst_s.exe", false, 1, "C:\\T\\tmp_vnd\\AutoInst_s.exe"},
      {"C:\\Jean Dupont\\tmp_vnd", "", true, 1, "\"C:\\Jean Dupont\\tmp_vnd\\install.exe\""},
      {"C:\\Jean Dupont\\tmp_vnd\\", "/S auto=1", true, 1,
       "\"C:\\Jean Dupont\\tmp_vnd\\install.exe\" /S auto=1"},
      {"C:\\T", "  \"a b\"  ", true, 1, "\"C:\\T\\install.exe\"   \"a b\"  "},
      // 240 + 1 + 14 = 255 characters: fits; one more does not.
      {d240, "AutoInst_s.exe", false, 1, d240 + "\\AutoInst_s.exe"},
      {d240, "AutoInst_st.exe", false, 0, ""},
      {d240 + "\\", "AutoInst_st.exe", false, 0, ""},
      // 2 + 240 + 1 + 11 = 254, then a blank and one character: 256 does not fit.
      {d240, "", true, 1, "\"" + d240 + "\\install.exe\""},
      {d240, "/", true, 0, ""},
      {"C:\\T", std::string(300, 'a'), true, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.directory + " + " + c.argument);
    char out[256];
    std::memset(out, 'Q', sizeof out);
    const int ok = c.install
                       ? ComposeInstallCommand(c.directory.c_str(), c.argument.c_str(), out, 256)
                       : ComposePath(c.directory.c_str(), c.argument.c_str(), out, 256);
    EXPECT_EQ(c.ok, ok);
    EXPECT_EQ(c.expected, std::string(out));
  }
}

TEST(Confirmation, AutoConfirmFromTheCommandLine) {
  struct Case {
    std::string commandLine;
    int confirms;
  } const cases[] = {
      {"auto=1", 1},
      {"/S auto=1", 1},
      {"auto=10", 1},
      {"xauto=1y", 1},
      {"AUTO=1", 0},
      {"Auto=1", 0},
      {"auto = 1", 0},
      {"auto=2", 0},
      {"", 0},
      // The field keeps 255 characters.
      {std::string(249, ' ') + "auto=1", 1},
      {std::string(250, ' ') + "auto=1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.commandLine);
    KPX_DLG dialog(nullptr, c.commandLine.c_str(), "texte");
    EXPECT_EQ(c.confirms, dialog.ConfirmeSeul());
  }
  KPX_DLG none(nullptr, nullptr, "texte");
  EXPECT_EQ(0, none.ConfirmeSeul());
  EXPECT_STREQ("", none.ligneCommande);
}

// What a dialog showed right after its initialisation.
struct Shown {
  std::string text;
  bool okVisible = false;
  bool quitVisible = false;
  RECT rect = {};
  int runs = 0;
};

void Capture(HWND h, Shown* shown) {
  char text[512] = {0};
  GetDlgItemTextA(h, ID_TEXTE_DIALOGUE, text, sizeof text);
  shown->text = text;
  // The dialog itself is not shown yet: read the buttons' own style.
  shown->okVisible = (GetWindowLongA(GetDlgItem(h, IDOK), GWL_STYLE) & WS_VISIBLE) != 0;
  shown->quitVisible = (GetWindowLongA(GetDlgItem(h, IDCANCEL), GWL_STYLE) & WS_VISIBLE) != 0;
  GetWindowRect(h, &shown->rect);
  ++shown->runs;
}

class ObservedKpx : public KPX_DLG {
 public:
  ObservedKpx(const char* line, const char* text, Shown* shown)
      : KPX_DLG(nullptr, line, text), shown(shown) {}
  void WmInitDialog(FEN_MSG* message) override {
    KPX_DLG::WmInitDialog(message);
    Capture(hwnd, shown);
  }
  Shown* shown;
};

class ObservedExtract : public CtExtractDlg {
 public:
  ObservedExtract(char* directory, int capacity, CtResArchive* archive, Shown* shown)
      : CtExtractDlg(nullptr, directory, capacity, archive), shown(shown) {}
  void WmInitDialog(FEN_MSG* message) override {
    CtExtractDlg::WmInitDialog(message);
    Capture(hwnd, shown);
  }
  Shown* shown;
};

void ExpectCentred(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - w) / 2, r.left);
  EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - h) / 2, r.top);
}

class DialogTest : public ::testing::Test {
 protected:
  TestInstance application;
};

TEST_F(DialogTest, AutoConfirmEndsTheDialogWithOk) {
  Shown shown;
  const char text[] = "Ce programme va lancer l'installation de :\r\n\r\nProduit";
  Watcher watcher(0);
  EXPECT_EQ(1, ExecuteDialogue(new ObservedKpx("/S auto=1", text, &shown), 1));
  EXPECT_EQ(1, shown.runs);
  EXPECT_EQ(text, shown.text);
  EXPECT_TRUE(shown.okVisible);
  EXPECT_TRUE(shown.quitVisible);
  ExpectCentred(shown.rect);
}

TEST_F(DialogTest, WithoutAutoTheUserAnswers) {
  struct Case {
    const char* line;
    int press;
    int expected;
  } const cases[] = {
      {"AUTO=1", IDCANCEL, 0},
      {"auto = 1", IDOK, 1},
      {"", IDCANCEL, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    Shown shown;
    Watcher watcher(c.press);
    EXPECT_EQ(c.expected, ExecuteDialogue(new ObservedKpx(c.line, "Question", &shown), 1));
    // The watcher found the dialog on screen before answering it.
    ASSERT_EQ(1u, watcher.seen.size());
    EXPECT_EQ("Question", watcher.seen[0].text);
  }
}

TEST_F(DialogTest, ExtractionDialogExtractsAndEnds) {
  PrivateTemp temp("setup_extract_dlg");
  std::vector<uint8_t> bytes =
      BuildArchive({{"a.txt", "premier"}, {"b.bin", std::string(3000, '\x5A')}, {"vide", ""}});
  CtResArchive archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  char directory[256] = {0};
  Shown shown;
  EXPECT_EQ(1, ExecuteDialogue(new ObservedExtract(directory, sizeof directory, &archive, &shown), 1));
  EXPECT_EQ(temp.Extraction(), std::string(directory));
  EXPECT_EQ("premier", ReadWholeFile(temp.Extraction() + "\\a.txt"));
  EXPECT_EQ(std::string(3000, '\x5A'), ReadWholeFile(temp.Extraction() + "\\b.bin"));
  EXPECT_TRUE(Exists(temp.Extraction() + "\\vide"));
  EXPECT_EQ("... pr\xE9" "paration de l'installation ...", shown.text);
  EXPECT_FALSE(shown.okVisible);
  EXPECT_FALSE(shown.quitVisible);
  ExpectCentred(shown.rect);
}

TEST_F(DialogTest, FailedExtractionEndsWithZero) {
  PrivateTemp temp("setup_extract_fail");
  std::vector<uint8_t> bytes = BuildArchive({{"a.txt", "a"}, {"..\\evade.txt", "x"}});
  CtResArchive archive(bytes.data(), static_cast<int32_t>(bytes.size()));
  char directory[256] = {0};
  Shown shown;
  EXPECT_EQ(0, ExecuteDialogue(new ObservedExtract(directory, sizeof directory, &archive, &shown), 1));
  EXPECT_FALSE(Exists(temp.Extraction() + "\\a.txt"));
  EXPECT_FALSE(Exists(temp.root + "\\evade.txt"));
}

// With the temporary path C:\...\Jean Dupont\, an unquoted command
// "C:\...\Jean Dupont\tmp_vnd\install.exe" starts C:\...\Jean.exe when there
// is one. The decoy is such a program; it records nothing.
class Decoy {
 public:
  explicit Decoy(const PrivateTemp& temp) : path(temp.Parent() + "\\Jean.exe") {
    if (temp.root.find(' ') != std::string::npos) {
      EXPECT_TRUE(CopyFileA(ChildPath().c_str(), path.c_str(), FALSE));
    }
  }
  ~Decoy() { DeleteFileA(path.c_str()); }
  std::string path;
};

// Whole runs of the sequence from a hidden main window, as the stub makes it.
class RunSetupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnregistreClasses(GetModuleHandleA(nullptr)); }
  void SetUp() override {
    window = new H_FEN("Essai setup");
    ASSERT_NE(nullptr, window->hwnd);
    // The start command that the window posted itself; taken out so that no
    // loop of these tests runs the stub's own (empty) archive.
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, window->hwnd, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(static_cast<WPARAM>(COMMANDE_INSTALLATION), msg.wParam);
    EXPECT_EQ(0, msg.lParam);
  }
  void TearDown() override {
    DestroyWindow(window->hwnd);
    delete window;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  int Run(const std::vector<Entry>& entries, const char* commandLine) {
    std::vector<uint8_t> bytes = BuildArchive(entries);
    CtResArchive archive(bytes.data(), static_cast<int32_t>(bytes.size()));
    return window->RunSetupFrom(&archive, commandLine);
  }

  TestInstance application;
  H_FEN* window = nullptr;
};

TEST_F(RunSetupTest, WindowIsHidden) { EXPECT_FALSE(IsWindowVisible(window->hwnd)); }

TEST_F(RunSetupTest, NothingRecognisedShowsTheMessage) {
  PrivateTemp temp("setup_nothing");
  Watcher watcher(IDOK);
  EXPECT_EQ(0, Run({{"a.txt", "a"}, {"setup.exe", "MZ"}}, "auto=1"));
  ASSERT_EQ(1u, watcher.seen.size());
  EXPECT_EQ("Aucune information d'installation !", watcher.seen[0].text);
  EXPECT_EQ("Essai setup", watcher.seen[0].caption);
  EXPECT_FALSE(Exists(temp.Extraction()));
}

TEST_F(RunSetupTest, ProductOnlyStartsInstallWithTheCommandLine) {
  struct Case {
    const char* temp;
    const char* commandLine;
    int press;  // the user's answer to the confirmation, 0 when it confirms itself
    const char* tail;
  } const cases[] = {
      {"setup_decoy\\Jean Dupont", "/S auto=1", 0, " /S auto=1"},
      {"setup_product", "auto=1", 0, " auto=1"},
      {"setup_decoy\\Jean Dupont", "", IDOK, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.temp);
    PrivateTemp temp(c.temp);
    Decoy decoy(temp);
    Watcher watcher(c.press);
    EXPECT_EQ(1, Run({{"p.kpx", "Install=Produit X\r\n"}, {"install.exe", ChildBytes()}},
                     c.commandLine));
    const std::vector<std::string> started = temp.WaitStarted(1);
    ASSERT_EQ(1u, started.size());
    const std::string program = temp.Extraction() + "\\install.exe";
    EXPECT_EQ("install.exe|\"" + program + "\"" + c.tail + "|" + temp.Extraction(), started[0]);
    if (c.press) {
      ASSERT_FALSE(watcher.seen.empty());
      EXPECT_EQ("Ce programme va lancer l'installation de :\r\n\r\nProduit X", watcher.seen[0].text);
    }
  }
}

TEST_F(RunSetupTest, QuitterStopsBeforeTheExtraction) {
  PrivateTemp temp("setup_quitter");
  Watcher watcher(IDCANCEL);
  EXPECT_EQ(0, Run({{"p.kpx", "Install=P"}, {"install.exe", ChildBytes()}}, "/S"));
  EXPECT_EQ(1u, watcher.seen.size());
  EXPECT_FALSE(Exists(temp.Extraction()));
}

TEST_F(RunSetupTest, SetupProgramAndInstallInOrder) {
  struct Case {
    const char* title;
    bool product;
    const char* exitCode;
    int result;
    size_t started;
  } const cases[] = {
      {"setup program only, exit 3", false, "3", 1, 1},
      {"setup program only, exit 0", false, "0", 0, 1},
      {"both, exit 0", true, "0", 0, 1},
      {"both, exit 3", true, "3", 1, 2},
      {"both, exit 259", true, "259", 1, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    PrivateTemp temp("setup_decoy\\Jean Dupont");
    Decoy decoy(temp);
    Watcher watcher(0);
    std::vector<Entry> entries = {{"AutoInst_setup.exe", ChildBytes()},
                                  {"exitcode.txt", c.exitCode},
                                  {"install.exe", ChildBytes()}};
    if (c.product) entries.push_back({"p.kpx", "Install=P"});
    EXPECT_EQ(c.result, Run(entries, "/S auto=1"));
    const std::vector<std::string> started = temp.WaitStarted(c.started);
    Sleep(300);  // time for a program that must not start to show up
    ASSERT_EQ(c.started, temp.Started().size());
    const std::string dir = temp.Extraction();
    // The setup program gets no argument: its quoted path alone.
    EXPECT_EQ("AutoInst_setup.exe|\"" + dir + "\\AutoInst_setup.exe\"|" + dir, started[0]);
    if (c.started == 2) {
      EXPECT_EQ("install.exe|\"" + dir + "\\install.exe\" /S auto=1|" + dir, started[1]);
    }
    // With no product there is nothing to confirm.
    if (!c.product) {
      for (const Seen& s : watcher.seen) EXPECT_NE(0u, s.text.find("Ce programme") == 0 ? 0u : 1u);
    }
  }
}

TEST_F(RunSetupTest, FailedExtractionIsShownAndStartsNothing) {
  PrivateTemp temp("setup_failed");
  Watcher watcher(IDOK);
  EXPECT_EQ(0, Run({{"AutoInst_setup.exe", ChildBytes()},
                    {"install.exe", ChildBytes()},
                    {"exitcode.txt", "3"},
                    {"p.kpx", "Install=P"},
                    {"CON.txt", "x"}},
                   "auto=1"));
  Sleep(300);
  EXPECT_TRUE(temp.Started().empty());
  ASSERT_FALSE(watcher.seen.empty());
  EXPECT_EQ("Erreur lors de la pr\xE9" "paration de l'installation !", watcher.seen.back().text);
  EXPECT_EQ("Essai setup", watcher.seen.back().caption);
}

TEST_F(RunSetupTest, OverlongCommandStartsNothing) {
  PrivateTemp temp("setup_overlong");
  Watcher watcher(IDOK);
  // The setup program would run first if the install command were not made beforehand.
  const std::string commandLine = "auto=1 " + std::string(300, 'a');
  EXPECT_EQ(0, Run({{"AutoInst_setup.exe", ChildBytes()},
                    {"install.exe", ChildBytes()},
                    {"exitcode.txt", "3"},
                    {"p.kpx", "Install=P"}},
                   commandLine.c_str()));
  Sleep(300);
  EXPECT_TRUE(Exists(temp.Extraction() + "\\install.exe"));
  EXPECT_TRUE(temp.Started().empty());
  EXPECT_TRUE(watcher.seen.empty());
}

// The extraction accepts directories of up to 191 characters, so that the
// longest name still makes a path of 255: the setup program runs from there.
// (Longer paths are refused by ComposePath, see Commands.)
TEST_F(RunSetupTest, LongestDirectoryAndNameStillStart) {
  char base[MAX_PATH] = {0};
  GetTempPathA(sizeof base, base);
  const std::string name = "AutoInst_" + std::string(50, 'n') + ".exe";  // 63 characters
  const std::string deep(183 - std::string(base).size(), 'L');
  PrivateTemp temp(deep);
  ASSERT_EQ(191u, temp.Extraction().size());
  Watcher watcher(IDOK);
  EXPECT_EQ(1, Run({{name, ChildBytes()}, {"exitcode.txt", "3"}}, "auto=1"));
  const std::string path = temp.Extraction() + "\\" + name;
  EXPECT_EQ(255u, path.size());
  const std::vector<std::string> started = temp.Started();
  ASSERT_EQ(1u, started.size());
  EXPECT_EQ(name + "|\"" + path + "\"|" + temp.Extraction(), started[0]);
  for (const Seen& s : watcher.seen) ADD_FAILURE() << s.caption << ": " << s.text;
}

}  // namespace
