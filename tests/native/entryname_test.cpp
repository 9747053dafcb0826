#include "util/entryname.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
  const char* name;
  int safe;
};

const NameCase kNames[] = {
    // Plain and relative names stay allowed.
    {"a.txt", 1},
    {"AutoInst_Setup.exe", 1},
    {"produit.kpx", 1},
    {"sub\\a.txt", 1},
    {"sub/a.txt", 1},
    {"a\\b\\c.dat", 1},
    {"a..b.txt", 1},
    {"..a", 1},
    {"...a", 1},
    {" a.txt", 1},
    {"r\xE9" "sum\xE9.txt", 1},
    // Words that only look like devices.
    {"CONSOLE.txt", 1},
    {"xCON", 1},
    {"con_", 1},
    {"NULL", 1},
    {"COM", 1},
    {"COM10", 1},
    {"LPTX.txt", 1},
    {"aux1.txt", 1},
    {"sub\\CONx", 1},
    // Empty, and components of dots.
    {"", 0},
    {".", 0},
    {"..", 0},
    {"...", 0},
    {".. ", 0},
    {"..\\..\\x.dll", 0},
    {"../x.dll", 0},
    {"a\\..\\b", 0},
    {"a/../../b", 0},
    {"a\\.\\b", 0},
    {"a\\..", 0},
    // Absolute, drive, colon, leading separator, UNC and device paths.
    {"C:\\Windows\\x.dll", 0},
    {"c:/x.dll", 0},
    {"C:x.dll", 0},
    {"a.txt:stream", 0},
    {"a.txt::$DATA", 0},
    {"\\x.dll", 0},
    {"/x.dll", 0},
    {"\\\\server\\share\\x.dll", 0},
    {"\\\\?\\C:\\x.dll", 0},
    {"\\\\.\\pipe\\x", 0},
    // Devices, any case, with or without extension, in any component.
    {"CON", 0},
    {"con", 0},
    {"Con.txt", 0},
    {"PRN", 0},
    {"aux.h", 0},
    {"NUL", 0},
    {"nul.tar.gz", 0},
    {"COM1", 0},
    {"com9.log", 0},
    {"COM0", 0},
    {"LPT1", 0},
    {"lpt9.txt", 0},
    {"LPT0", 0},
    {"COM\xB9", 0},
    {"lpt\xB2.txt", 0},
    {"LPT\xB3", 0},
    {"CONIN$", 0},
    {"conout$.txt", 0},
    {"CLOCK$", 0},
    {"CON .txt", 0},
    {"nul   .txt", 0},
    {"sub\\CON", 0},
    {"sub/nul.txt", 0},
    // Names Windows would change or refuse.
    {"CON.", 0},
    {"CON ", 0},
    {"a.txt.", 0},
    {"a.txt ", 0},
    {"a\\", 0},
    {"a/", 0},
    {"a\\\\b", 0},
    {"a?.txt", 0},
    {"a*.txt", 0},
    {"a<b", 0},
    {"a>b", 0},
    {"a|b", 0},
    {"a\"b", 0},
    {"a\tb", 0},
    {"a\x01" "b", 0},
    {"a\x1F" "b", 0},
};

TEST(IsSafeEntryName, Table) {
  for (const NameCase& c : kNames) EXPECT_EQ(IsSafeEntryName(c.name), c.safe) << "name: " << c.name;
}

TEST(IsSafeEntryName, NullIsUnsafe) { EXPECT_EQ(IsSafeEntryName(nullptr), 0); }

}  // namespace
