// Identification stamp.
#include "appli/stamp.h"

#include "util/strings.h"

// Kept in the binary even though only ReadStamp reads it: outside tools look for it.
const char g_builtinStamp[53] __attribute__((used)) =
    "\xFF*SFXKP*!2025061000000001!Z000VND0AKPX001.0aVC000000";

namespace {
bool IsNameChar(unsigned char c) {
  return c == '*' || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= '0' && c <= '9');
}
}  // namespace

REF_PROG::REF_PROG() : status(0), text{}, stamp(nullptr) {}

REF_PROG::~REF_PROG() = default;

void REF_PROG::Notify(int /*value*/) {}

int REF_PROG::ReadStamp(const char* source, int scanLength, int totalLength) {
  if (!source) {
    // The built-in stamp is only so long, whatever the caller says.
    source = g_builtinStamp;
    if (totalLength > static_cast<int>(sizeof g_builtinStamp))
      totalLength = static_cast<int>(sizeof g_builtinStamp);
  }
  const char* found = FindStamp(source, scanLength, totalLength);
  stamp = found;
  if (!found) return 0;
  // Copy at most 511 characters, and nothing past the given range: a stamp
  // without its NUL inside the range is cut at the range's end.
  int room = totalLength - static_cast<int>(found - source);
  if (room > 511) room = 511;
  int i = 0;
  while (i < room && found[i]) {
    text[i] = found[i];
    ++i;
  }
  text[i] = 0;
  status = 0;
  return 1;
}

const char* REF_PROG::FindStamp(const char* source, int scanLength, int totalLength) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(source);
  // Only bytes inside the total length are read; the byte after a marker
  // must be inside it too.
  if (!s || totalLength < 1) return nullptr;
  int i = 0;
  for (;;) {
    if (s[i] != 0xFF) {
      do {
        ++i;
        if (i >= scanLength || i + 1 >= totalLength) return nullptr;
      } while (s[i] != 0xFF);
    }
    ++i;
    if (i >= totalLength) return nullptr;
    if (s[i] != '*') continue;  // s[i] is tested again as a marker
    if (CheckName(source, i, totalLength)) return source + i;
  }
}

int REF_PROG::CheckName(const char* source, int position, int totalLength) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(source);
  if (!s || position < 0 || position >= totalLength) return 0;
  for (int count = 0; count < 24;) {
    const unsigned char c = s[position + count];
    if (!IsNameChar(c)) return 0;
    // The '!' after the closing star must lie inside the range as well.
    if (count > 4 && c == '*' && position + count + 1 < totalLength &&
        s[position + count + 1] == '!')
      return 1;
    ++count;
    if (position + count >= totalLength) return 0;
  }
  return 0;
}

const char* REF_PROG::NextField(const char* cursor) const {
  if (!cursor) cursor = text;
  if (*cursor == 0) return cursor;
  for (;;) {
    const char c = *cursor++;
    if (c == '!' || *cursor == 0) return cursor;
  }
}

int REF_PROG::GetField(const char* key, char* output, int maxLength) const {
  if (!key || !output) return 0;
  const char* cursor = NextField(nullptr);
  if (*cursor == 0) return 0;
  for (;;) {
    cursor = NextField(cursor);
    if (*cursor == 0) return 0;
    int k = 0;
    while (key[k] && cursor[k] == key[k]) ++k;
    if (key[k] == 0) {
      int n = 0;
      for (const char* v = cursor + k; n < maxLength && *v && *v != '!'; ++v) output[n++] = *v;
      return n;
    }
  }
}

void SplitStampValue(const char* value, int length, StampPieces* pieces) {
  if (!pieces) return;
  struct Slot {
    char* out;
    int offset;
    int width;
  };
  const Slot slots[6] = {
      {pieces->piece1, 0, 4},  {pieces->piece2, 4, 4},   {pieces->piece3, 8, 2},
      {pieces->version, 10, 4}, {pieces->piece5, 14, 2}, {pieces->piece6, 16, 6},
  };
  for (const Slot& slot : slots) {
    slot.out[0] = 0;
    // Characters past the value's end are not the stamp's: they stay empty.
    if (!value || slot.offset >= length) continue;
    int width = length - slot.offset;
    if (width > slot.width) width = slot.width;
    char piece[7] = {};
    for (int i = 0; i < width; ++i) piece[i] = value[slot.offset + i];
    StrCopyN(slot.out, piece, slot.width + 1);
  }
}

int ReadStampPieces(StampPieces* pieces) {
  REF_PROG ref;
  ref.ReadStamp(nullptr, 0, 256);
  char value[22];
  const int n = ref.GetField("Z000", value, 22);
  SplitStampValue(value, n, pieces);
  return n > 0 ? 1 : 0;
}

int ReadStampVersion(char* out, int capacity) {
  StampPieces pieces;
  ReadStampPieces(&pieces);
  if (!out || capacity < 1) return 0;
  StrCopyN(out, pieces.version, capacity);
  return StrLength(out);
}
