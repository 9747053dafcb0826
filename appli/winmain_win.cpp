// Entry point of the stub and its application: a hidden main window that runs
// the installation once and closes.
#include <windows.h>

#include "appli/instance.h"
#include "appli/main.h"
#include "appli/stamp.h"
#include "fenetre/palette.h"
#include "installer/hfen.h"
#include "util/format.h"
#include "util/strings.h"

#include <cstdlib>

// No exception ever leaves the stub (the decoder catches its own), so the
// run-time's verbose terminate handler would only bring its name demangler,
// tens of kilobytes, into a program that wants to be small.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

class APPLI : public MAIN {
 public:
  APPLI(const char* nom, HINSTANCE instance, HINSTANCE instancePrecedente, const char* ligne,
        int commandeAffichage)
      : MAIN(nom, instance, instancePrecedente, ligne, commandeAffichage) {}

  void CreateMainWindow() override {
    char version[16];
    ReadStampVersion(version, sizeof version);
    // From here on every message box carries this caption.
    FormatText(nom, sizeof nom, "Vandor Informatique. Ondexa %s", version);
    fenetrePrincipale = new H_FEN(nom);
  }

  int MainShowCommand() override { return SW_HIDE; }
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE instancePrecedente, LPSTR ligneCommande,
                   int commandeAffichage) {
  StrCopyN(g_savedCommandLine, ligneCommande, sizeof g_savedCommandLine);
  int codeSortie = 0;
  {
    APPLI application("VndExe", instance, instancePrecedente, ligneCommande, commandeAffichage);
    if (PALETTE::IconePrincipale) DestroyIcon(PALETTE::IconePrincipale);
    PALETTE::IconePrincipale = LoadIconA(application.hInstance, "G_ICON");
    application.Run();
    codeSortie = application.codeSortie;
  }
  return codeSortie;
}
