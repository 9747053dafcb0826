// The stub's own formatter: writes into the caller's buffer, allocates nothing.
#include "util/format.h"

#include <cstdarg>

#include "util/strings.h"

namespace {
const char kDigits[] = "0123456789ABCDEF";
// Widths beyond this never fit any buffer; stop growing so the sum cannot overflow.
const int kWidthLimit = 100000000;
}  // namespace

void DivideUnsigned(uint32_t dividend, uint32_t divisor, uint32_t* quotient, uint32_t* remainder) {
  if (divisor == 0) throw CtExceptionDiv0();
  uint32_t d = divisor;
  int k = 0;
  while ((d & 0x80000000u) == 0 && 2 * d <= dividend) {
    d <<= 1;
    ++k;
  }
  uint32_t q = 0;
  uint32_t r = dividend;
  for (int i = 0; i <= k; ++i) {
    q <<= 1;
    if (r >= d) {
      r -= d;
      q |= 1;
    }
    d >>= 1;
  }
  if (quotient) *quotient = q;
  if (remainder) *remainder = r;
}

// Bases 0 and 1 would divide by zero or never end: they answer null like the
// bases above 16. Bases 2 to 16 all work; the store holds the 32 digits of
// base 2, and the caller's output must hold them and the NUL.
char* NumberToText(uint32_t value, char* output, unsigned base) {
  if (base > 16 || base < 2 || !output) return nullptr;
  char store[32];
  int count = 0;
  do {
    uint32_t q, r;
    DivideUnsigned(value, base, &q, &r);
    store[count++] = kDigits[r];
    value = q;
  } while (value != 0);
  int i = 0;
  while (count > 0) output[i++] = store[--count];
  output[i] = 0;
  return output;
}

int EmitField(char** position, char* end, const char* text, char fill, int width) {
  if (!position || !*position || !end) return 0;
  char* p = *position;
  const int length = StrLength(text);
  const int n = width > 0 ? width : length;
  // The field is written whole, ending before the last usable position, or not at all.
  if (n >= end - p) return 0;
  int remaining = n;
  while (remaining > length) {
    *p++ = fill;
    --remaining;
  }
  for (int i = 0; remaining > 0; ++i, --remaining) *p++ = text[i];
  *position = p;
  return 1;
}

int FormatText(char* output, int size, const char* format, ...) {
  // A null output has no room at all, like a size of 0.
  if (size <= 0 || !output) return 0;
  char* p = output;
  char* const end = output + size - 1;
  const char* f = format ? format : "";
  va_list args;
  va_start(args, format);
  bool stopped = false;
  while (*f && !stopped) {
    if (*f != '%') {
      if (p < end) *p++ = *f++;
      if (p >= end) stopped = true;
      continue;
    }
    ++f;
    int width = 0;
    char fill = ' ';
    for (;;) {
      const char c = *f;
      // A format that ends inside a directive ends the formatting there: the
      // NUL is never consumed and the unfinished directive takes no argument.
      if (c == 0) {
        stopped = true;
        break;
      }
      ++f;
      if (c == '0' && width == 0) {
        fill = '0';
      } else if (c >= '0' && c <= '9') {
        if (width < kWidthLimit) width = width * 10 + (c - '0');
      } else if (c == '.') {
        fill = '0';
      } else if (c == 'F' || c == 'f') {
        // ignored
      } else if (c == 'c' || c == 'C') {
        const unsigned int value = va_arg(args, unsigned int);
        if (p >= end) {
          stopped = true;
        } else {
          *p++ = static_cast<char>(value & 0xFF);
        }
        break;
      } else if (c == 'd' || c == 'D' || c == 'u' || c == 'U' || c == 'x' || c == 'X') {
        const unsigned int value = va_arg(args, unsigned int);
        char digits[20];
        NumberToText(value, digits, (c == 'x' || c == 'X') ? 16 : 10);
        if (!EmitField(&p, end, digits, fill, width)) stopped = true;
        break;
      } else if (c == 's') {
        const char* text = va_arg(args, const char*);
        if (!EmitField(&p, end, text, fill, width)) stopped = true;
        break;
      } else {
        // '%', 'l', '-', 'S' and every other character: no output, no argument.
        break;
      }
    }
  }
  va_end(args);
  *p = 0;
  return static_cast<int>(p - output);
}
