// Bounded zero-terminated texts and the plain (exact or folded) search.
#include "util/strings.h"

// Letters a-z compare as A-Z; 0x80-0xA5 hold the accented letters of the
// OEM code page and compare as their base letters (0x81 as V). Everything
// else, including the accented letters of Windows-1252, compares as itself.
const unsigned char FOLD_TABLE[256] = {
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,
    0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
    //  C     V     E     A     A     A     A     C     E     E     E     I     I     I     A     A
    'C',  'V',  'E',  'A',  'A',  'A',  'A',  'C',  'E',  'E',  'E',  'I',  'I',  'I',  'A',  'A',
    //  E   0x91  0x92    O     O     O     U     U     Y     O     U     C   0x9C  0x9D  0x9E  0x9F
    'E',  0x91, 0x92, 'O',  'O',  'O',  'U',  'U',  'Y',  'O',  'U',  'C',  0x9C, 0x9D, 0x9E, 0x9F,
    //  A     I     O     U     N     N
    'A',  'I',  'O',  'U',  'N',  'N',  0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};

int StrLength(const char* text) {
  if (!text) return 0;
  int n = 0;
  while (text[n]) ++n;
  return n;
}

int StrAppend(char* destination, const char* source) {
  if (!destination || !source) return 0;
  int n = StrLength(destination);
  int i = 0;
  do {
    destination[n + i] = source[i];
  } while (source[i++]);
  return n + i - 1;
}

void StrCopyN(char* destination, const char* source, int capacity, int* position) {
  if (!destination || !source) return;
  int i = position ? *position : 0;
  // A capacity below 1 or a start outside the buffer leaves no room even for
  // the terminator: write nothing rather than outside the buffer.
  if (capacity < 1 || i < 0 || i >= capacity) return;
  while (i < capacity - 1 && *source) destination[i++] = *source++;
  destination[i] = 0;
  if (position) *position = i;
}

int SameBytes(int count, const char* a, const char* b) {
  // From the last byte down: callers compare a prefix against a longer buffer.
  for (int k = count - 1; k >= 0; --k)
    if (a[k] != b[k]) return 0;
  return 1;
}

int FindText(const char* haystack, const char* needle, int mode, int length) {
  if (length == 0) length = StrLength(haystack);
  const int m = StrLength(needle);
  if (m > length) return 0;
  const unsigned char* h = reinterpret_cast<const unsigned char*>(haystack);
  const unsigned char* n = reinterpret_cast<const unsigned char*>(needle);
  for (int s = 0; s <= length - m; ++s) {
    int k = 0;
    if (mode == FIND_FOLDED) {
      while (k < m && FOLD_TABLE[n[k]] == FOLD_TABLE[h[s + k]]) ++k;
    } else {
      while (k < m && n[k] == h[s + k]) ++k;
    }
    if (k == m) return s + 1;
  }
  return 0;
}

const char* FindAfter(const char* haystack, const char* needle, int mode, int length) {
  const int r = FindText(haystack, needle, mode, length);
  if (r == 0) return nullptr;
  return haystack + (r - 1) + StrLength(needle);
}

int GetKeyValue(const char* haystack, int length, const char* key, char* value, int capacity) {
  const char* p = FindAfter(haystack, key, FIND_FOLDED, length);
  if (!p) return 0;
  // No room for the terminator: leave the buffer alone.
  if (capacity < 1) return 0;
  int n = 0;
  for (; *p && *p != '\r' && *p != '\n'; ++p)
    if (n + 1 < capacity) value[n++] = *p;
  value[n] = 0;
  return n;
}

void ReplaceFileName(const char* path, const char* name, char* result) {
  // Only the directory part is copied, so the result never needs room for
  // the component being replaced.
  int dirLength = 0;
  for (int i = 0; path[i]; ++i)
    if (path[i] == '\\' || path[i] == ':') dirLength = i + 1;
  for (int i = 0; i < dirLength; ++i) result[i] = path[i];
  int i = 0;
  do {
    result[dirLength + i] = name[i];
  } while (name[i++]);
}
