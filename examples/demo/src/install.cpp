// The demo product's installer. The stub starts it last, with the stub's own
// command line, and does not wait for it. A real one would copy the product
// into place; this one only says what it was given.
#include "report.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  AppendReport("install.exe", 0);
  return 0;
}
