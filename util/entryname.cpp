#include "util/entryname.h"

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Bytes that Windows refuses in a file name, or that would make the name mean
// something else (a stream, a drive, a wildcard).
bool IsForbiddenByte(unsigned char c) {
  if (c < 32) return true;
  switch (c) {
    case ':': case '<': case '>': case '"': case '|': case '?': case '*':
      return true;
    default:
      return false;
  }
}

bool SameUpper(const char* text, int length, const char* word) {
  int i = 0;
  for (; i < length && word[i]; ++i)
    if (Upper(text[i]) != word[i]) return false;
  return i == length && word[i] == 0;
}

// Windows resolves these names to devices in every directory, whatever
// extension follows and whatever blanks precede the extension. The digit 0
// and the superscripts 1-3 (Windows-1252 B9, B2, B3) count as well.
bool IsDeviceName(const char* component, int length) {
  int base = 0;
  while (base < length && component[base] != '.') ++base;
  while (base > 0 && component[base - 1] == ' ') --base;
  static const char* const kPlain[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  for (const char* word : kPlain)
    if (SameUpper(component, base, word)) return true;
  if (base == 4 && (SameUpper(component, 3, "COM") || SameUpper(component, 3, "LPT"))) {
    unsigned char last = (unsigned char)component[3];
    if ((last >= '0' && last <= '9') || last == 0xB9 || last == 0xB2 || last == 0xB3) return true;
  }
  return false;
}

// One component between separators: not empty, not made of dots and blanks
// only (".", "..", "...", ".. "), not ending in a dot or a blank (Windows
// strips those, so the file would get another name), not a device.
bool IsSafeComponent(const char* component, int length) {
  if (length == 0) return false;
  bool onlyDotsAndBlanks = true;
  for (int i = 0; i < length; ++i)
    if (component[i] != '.' && component[i] != ' ') onlyDotsAndBlanks = false;
  if (onlyDotsAndBlanks) return false;
  char last = component[length - 1];
  if (last == '.' || last == ' ') return false;
  return !IsDeviceName(component, length);
}

}  // namespace

int IsSafeEntryName(const char* name) {
  if (!name || !name[0]) return 0;
  for (const char* p = name; *p; ++p)
    if (IsForbiddenByte((unsigned char)*p)) return 0;
  // A leading separator makes the name absolute (or a UNC / device path);
  // an empty component, including a trailing separator, names no file.
  const char* start = name;
  for (const char* p = name;; ++p) {
    if (*p == 0 || IsSeparator(*p)) {
      if (!IsSafeComponent(start, int(p - start))) return 0;
      if (*p == 0) break;
      start = p + 1;
    }
  }
  return 1;
}
