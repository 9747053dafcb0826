// The hidden main window that runs the whole installation from one command,
// and the setup sequence itself.
#pragma once

#include "archive/resarchive.h"
#include "fenetre/fenetre.h"

enum { COMMANDE_INSTALLATION = 400 };

class H_FEN : public MAIN_FENETRE {
 public:
  explicit H_FEN(const char* titre);
  ~H_FEN() override;
  void ApresCreation() override;
  void Commande(FEN_MSG* message) override;

  // Opens the payload archive of the application's module and runs the
  // sequence; 1 when it went to its end, 0 when it stopped earlier.
  int RunSetup(const char* ligneCommande);
  // The same sequence over a given archive view.
  int RunSetupFrom(CtResArchive* archive, const char* ligneCommande);
};

// What the scan of the archive's entry names found: the last setup-program
// entry and the product named by the first setup-information entry that names
// one. Both are empty when nothing was found.
struct CtSetupFound {
  char setupProgram[128];
  char productName[128];
};

int IsSetupProgramName(const char* name);
int IsSetupInfoName(const char* name);
// The value after the first "Install=" (folded) in content[0..size), up to the
// first byte below 32; the bytes after the content must hold a zero. Returns
// its length, 0 when the key is missing or the value empty.
int ReadProductName(const char* content, int size, char* product, int capacity);
void ScanArchive(const CtResArchive& archive, CtSetupFound* found);

// directory, a backslash unless it ends with one, then name; 0 (and an empty
// result) when that does not fit in capacity.
int ComposePath(const char* directory, const char* name, char* path, int capacity);
// "<directory>\install.exe" in quotes, then a blank and the command line when
// there is one; 0 (and an empty result) when that does not fit in capacity.
int ComposeInstallCommand(const char* directory, const char* commandLine, char* command,
                          int capacity);
