// Stands in for a product's install.exe: records how it was started.
#include "e2e_log.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  e2e::Record("install", 0);
  return 0;
}
