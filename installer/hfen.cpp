#include "installer/hfen.h"

#include <windows.h>

#include "appli/instance.h"
#include "archive/ctmem.h"
#include "installer/dialogs.h"
#include "installer/launch.h"
#include "util/format.h"
#include "util/strings.h"

namespace {

const char kInstallProgram[] = "install.exe";

}  // namespace

H_FEN::H_FEN(const char* titre) : MAIN_FENETRE(titre) {
  Cree();
  ShowWindow(hwnd, SW_HIDE);
}

H_FEN::~H_FEN() {}

void H_FEN::ApresCreation() { PostMessageA(hwnd, WM_COMMAND, COMMANDE_INSTALLATION, 0); }

void H_FEN::Commande(FEN_MSG* message) {
  if (LOWORD(message->wParam) != COMMANDE_INSTALLATION) return;
  RunSetup(g_savedCommandLine);
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

int IsSetupProgramName(const char* name) {
  return SameBytes(9, name, "AutoInst_") && FindText(name, ".exe", FIND_FOLDED, 0) != 0;
}

int IsSetupInfoName(const char* name) { return FindText(name, ".kpx", FIND_FOLDED, 0) != 0; }

int ReadProductName(const char* content, int size, char* product, int capacity) {
  product[0] = 0;
  // A size of 0 would make the search run to the first zero: nothing to search.
  if (size <= 0) return 0;
  const char* value = FindAfter(content, "Install=", FIND_FOLDED, size);
  if (!value) return 0;
  // A longer value keeps its first capacity - 1 bytes: the product name is
  // only shown to the user, never used as a path.
  int n = 0;
  while (static_cast<unsigned char>(value[n]) >= 32 && n < capacity - 1) {
    product[n] = value[n];
    ++n;
  }
  product[n] = 0;
  return n;
}

void ScanArchive(const CtResArchive& archive, CtSetupFound* found) {
  found->setupProgram[0] = 0;
  found->productName[0] = 0;
  char name[64] = {0};
  for (int index = 0;; ++index) {
    int32_t size = 0;
    if (!archive.GetEntry(index, name, sizeof name, nullptr, 0, nullptr, &size)) break;
    if (IsSetupProgramName(name))
      StrCopyN(found->setupProgram, name, sizeof found->setupProgram);
    if (IsSetupInfoName(name) && !found->productName[0]) {
      // An entry whose block cannot be obtained is passed over as if it had
      // no "Install=" line; so is a size that cannot take the padding.
      if (size < 0 || size > 0x7FFFFFFF - 10) continue;
      CtMem block(size + 10);
      if (!block.data || block.size < size + 10) continue;
      int32_t length = size;
      int delivered = 0;
      archive.GetEntry(index, nullptr, 0, nullptr, 0, block.data, &length, &delivered);
      // A content that could not be decoded may be half written: pass it over.
      if (!delivered) continue;
      ReadProductName(reinterpret_cast<const char*>(block.data), size, found->productName,
                      sizeof found->productName);
    }
  }
}

int ComposePath(const char* directory, const char* name, char* path, int capacity) {
  const int d = StrLength(directory);
  const int separator = (d > 0 && directory[d - 1] == '\\') ? 0 : 1;
  path[0] = 0;
  // Cutting would name another file: refuse instead.
  if (d + separator + StrLength(name) + 1 > capacity) return 0;
  StrCopyN(path, directory, capacity);
  if (separator) StrAppend(path, "\\");
  StrAppend(path, name);
  return 1;
}

int ComposeInstallCommand(const char* directory, const char* commandLine, char* command,
                          int capacity) {
  command[0] = 0;
  // Quoted, so that a directory with blanks still names the program.
  char program[260];
  if (!ComposePath(directory, kInstallProgram, program, sizeof program)) return 0;
  const int p = StrLength(program);
  const int c = StrLength(commandLine);
  const int needed = 1 + p + 1 + (c > 0 ? 1 + c : 0) + 1;
  if (needed > capacity) return 0;
  StrCopyN(command, "\"", capacity);
  StrAppend(command, program);
  StrAppend(command, "\"");
  if (c > 0) {
    StrAppend(command, " ");
    StrAppend(command, commandLine);
  }
  return 1;
}

int H_FEN::RunSetup(const char* ligneCommande) {
  CtResArchive archive;
  archive.Open();
  return RunSetupFrom(&archive, ligneCommande);
}

int H_FEN::RunSetupFrom(CtResArchive* archive, const char* ligneCommande) {
  if (!ligneCommande) ligneCommande = "";
  CtSetupFound found;
  ScanArchive(*archive, &found);

  if (!found.productName[0] && !found.setupProgram[0]) {
    ShowMessage("Aucune information d'installation !", MB_OK);
    return 0;
  }

  if (found.productName[0]) {
    char confirmation[512];
    FormatText(confirmation, sizeof confirmation,
               "Ce programme va lancer l'installation de :\r\n\r\n%s", found.productName);
    // -1 means the dialog could not be shown: that is no consent.
    if (ExecuteDialogue(new KPX_DLG(this, ligneCommande, confirmation), 1) <= 0) return 0;
  }

  char directory[256] = {0};
  const int extracted =
      ExecuteDialogue(new CtExtractDlg(this, directory, sizeof directory, archive), 1);
  // -1: the extraction never ran and the directory text was never filled.
  if (extracted == -1) return 0;
  if (extracted == 0) {
    ShowMessage("Erreur lors de la pr\xE9" "paration de l'installation !", MB_OK);
    return 0;
  }

  // Both commands are made before anything starts, so that one that does not
  // fit stops the sequence with nothing started.
  char setupPath[256];
  char setupCommand[256 + 2];
  char installCommand[256];
  if (found.setupProgram[0]) {
    if (!ComposePath(directory, found.setupProgram, setupPath, sizeof setupPath)) return 0;
    // The program's own path in quotes as its command line: left to the
    // system, an unquoted path with blanks would reach it as arguments.
    StrCopyN(setupCommand, "\"", sizeof setupCommand);
    StrAppend(setupCommand, setupPath);
    StrAppend(setupCommand, "\"");
  }
  if (found.productName[0] &&
      !ComposeInstallCommand(directory, ligneCommande, installCommand, sizeof installCommand))
    return 0;

  if (found.setupProgram[0] && LaunchProgram(setupPath, setupCommand, 1) == 0) return 0;
  if (!found.productName[0]) return 1;
  WinExec(installCommand, SW_SHOW);
  return 1;
}
