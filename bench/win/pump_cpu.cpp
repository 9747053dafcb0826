// Processor time of the application's pump while nothing happens: a 5-second
// PumpMessagesFor, as when the stub waits for a long setup program.
#include <windows.h>

#include <cstdio>

#include "appli/main.h"
#include "fenetre/fenetre.h"

static double Secondes(const FILETIME& f) {
  ULARGE_INTEGER u;
  u.LowPart = f.dwLowDateTime;
  u.HighPart = f.dwHighDateTime;
  return (double)u.QuadPart / 1e7;
}

static double Processeur() {
  FILETIME creation, fin, noyau, utilisateur;
  GetProcessTimes(GetCurrentProcess(), &creation, &fin, &noyau, &utilisateur);
  return Secondes(noyau) + Secondes(utilisateur);
}

int main() {
  MAIN app("PumpBench", GetModuleHandleA(nullptr), nullptr, "", SW_HIDE);
  EnregistreClasses(app.hInstance);
  app.CreateMainWindow();  // a hidden main window, as in the stub
  app.PumpMessagesFor(0);

  LARGE_INTEGER f, d, e;
  QueryPerformanceFrequency(&f);
  double cpu0 = Processeur();
  QueryPerformanceCounter(&d);
  app.PumpMessagesFor(5000);
  QueryPerformanceCounter(&e);
  double cpu = Processeur() - cpu0;
  double mur = (double)(e.QuadPart - d.QuadPart) / (double)f.QuadPart;
  std::printf("PumpMessagesFor(5000): wall %.3f s, processor %.3f s, %.2f %%\n", mur, cpu,
              100.0 * cpu / mur);

  DestroyWindow(app.fenetrePrincipale->hwnd);
  delete app.fenetrePrincipale;
  app.fenetrePrincipale = nullptr;
  return 0;
}
