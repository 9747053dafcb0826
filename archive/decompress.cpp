#include "archive/decompress.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "archive/ctmem.h"
#include "util/format.h"
#include "util/log.h"

// Error codes. The first four belong to the stream format; the others mark
// input the format never produces, so that any stream ends in a report
// instead of a read or write outside the buffers.
//   21  class code: a fourth 0 bit in a prefix before the last byte
//   22  class code: body shorter than 3 bytes or than its header
//   25  class code: more symbols than the expected size
//   61  back references: distance beyond the bytes written so far
//   62  class code: value bits run past the end of the bit stream
//   63  class code: a class width above 8
//   64  class code: a code index above 255
//   65  back references: escape cut off by the end of the input
//   66  back references: output larger than its block
//   67  runs: escape cut off by the end of the input
//   68  runs: output larger than the expected size
//   70  no run stage: body larger than the expected size
//   71  stream shorter than its flags byte and escape bytes
//   72  negative or unusable expected size, or no output buffer
//   73  a memory block could not be obtained
enum {
  ERR_PREFIX = 21,
  ERR_SHORT_BODY = 22,
  ERR_TOO_MANY_SYMBOLS = 25,
  ERR_DISTANCE = 61,
  ERR_VALUE_PAST_END = 62,
  ERR_WIDTH = 63,
  ERR_INDEX = 64,
  ERR_BACKREF_CUT = 65,
  ERR_BACKREF_OVERFLOW = 66,
  ERR_RUN_CUT = 67,
  ERR_RUN_OVERFLOW = 68,
  ERR_COPY_OVERFLOW = 70,
  ERR_SHORT_STREAM = 71,
  ERR_ARGUMENTS = 72,
  ERR_NO_MEMORY = 73,
};

enum { FLAG_CLASSES = 0x10, FLAG_RUNS = 0x20, FLAG_BACKREFS = 0x40, BLOCK_MARGIN = 256 };

[[noreturn]] static void Fail(int code) { throw CtCompressExcept{code}; }

unsigned char MakeMask(int width) {
  if (width <= 0) return 0;
  if (width >= 8) return 255;
  return (unsigned char)((1u << width) - 1);
}

void CtClassDecoder::Parse(const unsigned char* body, int bodyLength) {
  if (bodyLength < 3) Fail(ERR_SHORT_BODY);
  int count = body[2] ? body[2] : 256;
  if (bodyLength < count + 3) Fail(ERR_SHORT_BODY);
  widths[0] = body[0] >> 4;
  widths[1] = body[0] & 15;
  widths[2] = body[1];
  widths[3] = 8;
  for (int k = 0; k < 3; ++k) {
    if (widths[k] > 8) Fail(ERR_WIDTH);
    masks[k] = MakeMask(widths[k]);
  }
  masks[3] = 255;
  std::memcpy(symbols, body + 3, (size_t)count);
  std::memset(symbols + count, 0, (size_t)(256 - count));
  headerLength = count + 3;
  bitPosition = 0;
  data = body + headerLength;
  bytePosition = 0;
  dataLength = bodyLength - headerLength;
}

int CtClassDecoder::ReadSymbol() {
  if (bytePosition > dataLength) Fail(ERR_SHORT_BODY);
  if (bytePosition == dataLength) return END;
  int k = 0, offset = 0;
  for (;;) {
    int bit = (data[bytePosition] >> (7 - bitPosition)) & 1;
    if (!bit) {
      offset += 1 << widths[k];
      if (++k == 4) {
        // Zero padding of the last byte ends the stream.
        if (bytePosition == dataLength - 1) return END;
        Fail(ERR_PREFIX);
      }
    }
    if (++bitPosition == 8) {
      bitPosition = 0;
      if (++bytePosition == dataLength) return END;
    }
    if (bit) break;
  }
  int w = widths[k], b = bitPosition, v;
  if (w + b <= 8) {
    v = (data[bytePosition] >> (8 - w - b)) & masks[k];
    bitPosition = (unsigned char)(b + w);
    if (bitPosition == 8) {
      bitPosition = 0;
      ++bytePosition;
    }
  } else {
    if (bytePosition + 1 >= dataLength) Fail(ERR_VALUE_PAST_END);
    v = ((((unsigned)data[bytePosition] << (w + b - 8)) & 0xFF) |
         ((unsigned)data[bytePosition + 1] >> (16 - w - b))) & masks[k];
    ++bytePosition;
    bitPosition = (unsigned char)(b + w - 8);
  }
  int index = offset + v;
  if (index > 255) Fail(ERR_INDEX);
  return symbols[index];
}

// Every code word, prefix and value, is at most 12 bits long, so the next 12
// bits of the stream name at least one whole symbol, often two. An entry
// holds the length of the code words taken in bits 0-3 (so that it serves
// as a shift count as it is), their count (0 to 2) in bits 6-7, the first
// symbol in bits 8-15 and the second in bits 16-23. Count 0 marks what the
// exact reader must settle (four 0 bits, an index above 255).
struct ClassTable {
  uint32_t entry[4096];

  void Build(const CtClassDecoder& decoder) {
    // First the single symbols: code length << 8 | symbol, 0 for prefix
    // 0000 and for indices above 255.
    uint16_t single[4096];
    std::memset(single, 0, 256 * sizeof single[0]);
    int offset = 0;
    for (int k = 0; k < 4; ++k) {
      int w = decoder.widths[k];
      int length = k + 1 + w;
      int spread = 1 << (12 - length);
      for (int v = 0; v < (1 << w); ++v) {
        int index = offset + v;
        uint16_t e = index > 255 ? 0 : (uint16_t)(length << 8 | decoder.symbols[index]);
        uint16_t* slot = single + (((1 << w) | v) << (12 - length));
        for (int i = 0; i < spread; ++i) slot[i] = e;
      }
      offset += 1 << w;
    }
    // Then a second symbol wherever its code word fits in the bits left:
    // since no code word begins another, the entry of the remaining bits
    // (shifted up, zeros below) is that symbol when it is no longer.
    for (int i = 0; i < 4096; ++i) {
      uint32_t first = single[i];
      if (!first) {
        entry[i] = 0;
        continue;
      }
      uint32_t l1 = first >> 8;
      uint32_t second = single[(i << l1) & 0xFFF];
      uint32_t l2 = second >> 8;
      if (second && l1 + l2 <= 12)
        entry[i] = (second & 0xFF) << 16 | (first & 0xFF) << 8 | 2u << 6 | (l1 + l2);
      else
        entry[i] = (first & 0xFF) << 8 | 1u << 6 | l1;
    }
  }
};

static inline uint64_t Load64(const unsigned char* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

static inline void Store64(unsigned char* p, uint64_t v) { std::memcpy(p, &v, 8); }

static inline uint64_t LoadBe64(const unsigned char* p) {
  uint64_t v = Load64(p);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  v = __builtin_bswap64(v);
#endif
  return v;
}

int DecodeClasses(const unsigned char* body, int bodyLength, unsigned char* output, int capacity) {
  CtClassDecoder decoder;
  decoder.Parse(body, bodyLength);
  ClassTable table;
  table.Build(decoder);

  const unsigned char* data = decoder.data;
  const size_t length = (size_t)decoder.dataLength;
  unsigned char* out = output;
  unsigned char* const outEnd = output + (capacity > 0 ? capacity : 0);
  size_t bitPos = 0;
  for (;;) {
    // Fast path: with 8 bytes ahead, the 4 lookups made from one load (at
    // most 48 of the 57 bits held) end well before the last byte, so no
    // end-of-stream rule can apply to them; 8 output slots hold what they give.
    while ((bitPos >> 3) + 8 <= length && outEnd - out >= 8) {
      uint64_t bits = LoadBe64(data + (bitPos >> 3)) << (bitPos & 7);
      uint32_t e;
#define SFX_CLASS_STEP                   \
  e = table.entry[bits >> 52];           \
  if (!(e & 0xC0)) goto exact;           \
  out[0] = (unsigned char)(e >> 8);      \
  out[1] = (unsigned char)(e >> 16);     \
  out += (e >> 6) & 3;                   \
  bits <<= (e & 63);                     \
  bitPos += e & 15;
      SFX_CLASS_STEP SFX_CLASS_STEP SFX_CLASS_STEP SFX_CLASS_STEP
#undef SFX_CLASS_STEP
    }
  exact:
    // One symbol read the exact way: the end of the stream, the last
    // output slots and every error go through here.
    decoder.bytePosition = (int)(bitPos >> 3);
    decoder.bitPosition = (unsigned char)(bitPos & 7);
    int symbol = decoder.ReadSymbol();
    if (symbol == CtClassDecoder::END) break;
    if (out == outEnd) Fail(ERR_TOO_MANY_SYMBOLS);
    *out++ = (unsigned char)symbol;
    bitPos = (size_t)decoder.bytePosition * 8 + decoder.bitPosition;
  }
  return (int)(out - output);
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define SFX_WORD_SCAN 1
// Bit 7 of each byte of word that equals the byte in pattern; the lowest
// flagged byte is always a true match.
static inline uint64_t MatchBytes(uint64_t word, uint64_t pattern) {
  uint64_t x = word ^ pattern;
  return (x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull;
}
#endif

// Copies literal bytes up to the next escape (or near the end of input or
// output, where the byte-wise loop takes over). Whole words are stored ahead
// of the literals; the extra bytes lie inside the output and are overwritten
// later. Returns how many literals were copied.
static inline size_t CopyLiterals(const unsigned char* ip, const unsigned char* ipEnd, unsigned char* op,
                                  const unsigned char* opEnd, unsigned char escape) {
  size_t done = 0;
#ifdef SFX_WORD_SCAN
  const uint64_t pattern = 0x0101010101010101ull * escape;
  while (ipEnd - ip - (std::ptrdiff_t)done >= 8 && opEnd - op - (std::ptrdiff_t)done >= 8) {
    uint64_t word = Load64(ip + done);
    Store64(op + done, word);
    uint64_t match = MatchBytes(word, pattern);
    if (match) return done + ((unsigned)__builtin_ctzll(match) >> 3);
    done += 8;
  }
#endif
  while (ip + done < ipEnd && op + done < opEnd && ip[done] != escape) {
    op[done] = ip[done];
    ++done;
  }
  return done;
}

// n bytes at op, each a copy of the byte distance (1..255) positions before
// it; the copy repeats the pattern when n exceeds the distance. room is the
// space left from op.
static inline void CopyBack(unsigned char* op, unsigned distance, unsigned n, size_t room) {
  if (distance >= 8 && room >= (size_t)n + 8) {
    // Word steps never read bytes that this copy has yet to write.
    for (unsigned i = 0; i < n; i += 8) Store64(op + i, Load64(op + i - distance));
  } else if (distance == 1) {
    std::memset(op, op[-1], n);
  } else {
    // The span doubles while staying a multiple of the pattern's period, so
    // each memcpy copies between regions that do not overlap.
    unsigned done = 0, span = distance;
    while (done < n) {
      unsigned c = n - done < span ? n - done : span;
      std::memcpy(op + done, op + done - span, c);
      done += c;
      span *= 2;
    }
  }
}

int ExpandBackRefs(unsigned char escape, const unsigned char* input, int inputLength,
                   unsigned char* output, int capacity) {
  if (inputLength <= 0) return 0;
  const unsigned char* ip = input;
  const unsigned char* const ipEnd = input + inputLength;
  unsigned char* op = output;
  unsigned char* const opEnd = output + (capacity > 0 ? capacity : 0);
  while (ip < ipEnd) {
    if (*ip != escape) {
      size_t literals = CopyLiterals(ip, ipEnd, op, opEnd, escape);
      if (!literals) Fail(ERR_BACKREF_OVERFLOW);  // the output is full
      ip += literals;
      op += literals;
      continue;
    }
    if (ipEnd - ip < 2) Fail(ERR_BACKREF_CUT);
    unsigned distance = ip[1];
    if (distance == escape) {
      if (op == opEnd) Fail(ERR_BACKREF_OVERFLOW);
      *op++ = escape;
      ip += 2;
      continue;
    }
    if (ipEnd - ip < 3) Fail(ERR_BACKREF_CUT);
    unsigned n = ip[2];
    ip += 3;
    if (distance > (size_t)(op - output)) Fail(ERR_DISTANCE);
    if (n > (size_t)(opEnd - op)) Fail(ERR_BACKREF_OVERFLOW);
    if (distance == 0) {
      // The byte at the write position itself: 0 in a fresh block.
      std::memset(op, 0, n);
    } else {
      CopyBack(op, distance, n, (size_t)(opEnd - op));
    }
    op += n;
  }
  return (int)(op - output);
}

int ExpandRuns(unsigned char escape, const unsigned char* input, int inputLength,
               unsigned char* output, int capacity) {
  if (inputLength <= 0) return 0;
  const unsigned char* ip = input;
  const unsigned char* const ipEnd = input + inputLength;
  unsigned char* op = output;
  unsigned char* const opEnd = output + (capacity > 0 ? capacity : 0);
  unsigned char last = 0;
  while (ip < ipEnd) {
    if (*ip != escape) {
      size_t literals = CopyLiterals(ip, ipEnd, op, opEnd, escape);
      if (!literals) Fail(ERR_RUN_OVERFLOW);
      ip += literals;
      op += literals;
      last = ip[-1];
      continue;
    }
    if (ipEnd - ip < 2) Fail(ERR_RUN_CUT);
    unsigned n = ip[1];
    ip += 2;
    if (n == escape) {
      if (op == opEnd) Fail(ERR_RUN_OVERFLOW);
      *op++ = escape;
      last = escape;
    } else if (n != 0) {
      size_t room = (size_t)(opEnd - op);
      if (n > room) Fail(ERR_RUN_OVERFLOW);
      if (room >= (size_t)n + 8) {
        const uint64_t word = 0x0101010101010101ull * last;
        for (unsigned i = 0; i < n; i += 8) Store64(op + i, word);
      } else {
        std::memset(op, last, n);
      }
      op += n;
    }
  }
  return (int)(op - output);
}

static int DecodeStages(const unsigned char* stream, int streamLength, unsigned char* output,
                        int expectedSize) {
  if (expectedSize < 0 || expectedSize > INT_MAX - BLOCK_MARGIN) Fail(ERR_ARGUMENTS);
  if (!output && expectedSize > 0) Fail(ERR_ARGUMENTS);
  if (!stream || streamLength < 1) Fail(ERR_SHORT_STREAM);
  int flags = stream[0];
  int position = 1;
  unsigned char runEscape = 0, backEscape = 0;
  if (flags & FLAG_RUNS) {
    if (position >= streamLength) Fail(ERR_SHORT_STREAM);
    runEscape = stream[position++];
  }
  if (flags & FLAG_BACKREFS) {
    if (position >= streamLength) Fail(ERR_SHORT_STREAM);
    backEscape = stream[position++];
  }
  const unsigned char* body = stream + position;
  int bodyLength = streamLength - position;

  CtMem blockA(expectedSize + BLOCK_MARGIN);
  if (!blockA.data) Fail(ERR_NO_MEMORY);
  if (flags & FLAG_CLASSES) {
    bodyLength = DecodeClasses(body, bodyLength, blockA.data, expectedSize);
    body = blockA.data;
  }
  CtMem blockB(expectedSize + BLOCK_MARGIN);
  if (!blockB.data) Fail(ERR_NO_MEMORY);
  if (flags & FLAG_BACKREFS) {
    bodyLength = ExpandBackRefs(backEscape, body, bodyLength, blockB.data, blockB.size);
    body = blockB.data;
  }
  // The caller's buffer is written only once the whole result is known to
  // fit, so a failed call leaves it as it was: the runs go to whichever
  // block the body is not in, and are copied from there.
  if (flags & FLAG_RUNS) {
    unsigned char* runs = body == blockA.data ? blockB.data : blockA.data;
    bodyLength = ExpandRuns(runEscape, body, bodyLength, runs, expectedSize);
    body = runs;
  } else if (bodyLength > expectedSize) {
    Fail(ERR_COPY_OVERFLOW);
  }
  if (bodyLength <= 0) return 0;
  std::memcpy(output, body, (size_t)bodyLength);
  return bodyLength;
}

int Decompress(const unsigned char* stream, int streamLength, unsigned char* output,
               int expectedSize, int* errorCode) {
  int result = 0, code = 0;
  try {
    result = DecodeStages(stream, streamLength, output, expectedSize);
  } catch (const CtCompressExcept& failure) {
    code = failure.code;
    char text[128];
    FormatText(text, sizeof text, "Erreur en d\xE9" "compr\xE9" "ssion code %d", code);
    LogReport(69, text);
    result = 0;
  }
  if (errorCode) *errorCode = code;
  return result;
}
