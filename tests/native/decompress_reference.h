// A plain, bit-by-bit decoder of the compressed stream format, written
// straight from the format's rules, for checking the fast decoder against
// (unit tests and the fuzz target). Same error codes as archive/decompress.cpp.
#pragma once
#include <climits>
#include <cstdint>
#include <vector>

namespace reference {

struct Outcome {
  int code = 0;                // 0 or the error code
  std::vector<uint8_t> bytes;  // the result when code is 0
};

class ClassReader {
 public:
  enum { END = -1 };

  // Throws the error code as an int.
  void Parse(const uint8_t* body, int bodyLength) {
    if (bodyLength < 3) throw 22;
    int count = body[2] == 0 ? 256 : body[2];
    if (bodyLength < count + 3) throw 22;
    width_[0] = body[0] >> 4;
    width_[1] = body[0] & 15;
    width_[2] = body[1];
    width_[3] = 8;
    for (int k = 0; k < 3; ++k)
      if (width_[k] > 8) throw 63;
    for (int i = 0; i < 256; ++i) table_[i] = i < count ? body[3 + i] : 0;
    data_ = body + count + 3;
    length_ = bodyLength - count - 3;
    byte_ = 0;
    bit_ = 0;
  }

  int ReadSymbol() {
    if (byte_ > length_) throw 22;
    if (byte_ == length_) return END;
    int k = 0, offset = 0;
    for (;;) {
      int bit = NextBit();
      if (bit == 0) {
        offset += 1 << width_[k];
        ++k;
        if (k == 4) {
          if (byte_ == length_ - 1) return END;
          throw 21;
        }
      }
      Advance();
      if (bit_ == 0 && byte_ == length_) return END;
      if (bit == 1) break;
    }
    int value = 0;
    for (int i = 0; i < width_[k]; ++i) {
      if (byte_ >= length_) throw 62;
      value = value * 2 + NextBit();
      Advance();
    }
    if (offset + value > 255) throw 64;
    return table_[offset + value];
  }

 private:
  int NextBit() const { return (data_[byte_] >> (7 - bit_)) & 1; }
  void Advance() {
    if (++bit_ == 8) {
      bit_ = 0;
      ++byte_;
    }
  }

  int width_[4] = {};
  int table_[256] = {};
  const uint8_t* data_ = nullptr;
  int length_ = 0;
  int byte_ = 0;
  int bit_ = 0;
};

inline std::vector<uint8_t> Classes(const uint8_t* body, int length, int capacity) {
  ClassReader reader;
  reader.Parse(body, length);
  std::vector<uint8_t> out;
  for (;;) {
    int symbol = reader.ReadSymbol();
    if (symbol == ClassReader::END) return out;
    if ((int)out.size() >= capacity) throw 25;
    out.push_back((uint8_t)symbol);
  }
}

// Written one byte at a time into a block of `capacity` bytes that starts
// out zero-filled.
inline std::vector<uint8_t> BackRefs(uint8_t escape, const std::vector<uint8_t>& in, size_t capacity) {
  std::vector<uint8_t> block;
  size_t i = 0;
  while (i < in.size()) {
    if (in[i] != escape) {
      if (block.size() >= capacity) throw 66;
      block.push_back(in[i++]);
      continue;
    }
    if (i + 1 >= in.size()) throw 65;
    uint8_t d = in[i + 1];
    if (d == escape) {
      if (block.size() >= capacity) throw 66;
      block.push_back(escape);
      i += 2;
      continue;
    }
    if (i + 2 >= in.size()) throw 65;
    size_t n = in[i + 2];
    if (d > block.size()) throw 61;
    if (block.size() + n > capacity) throw 66;
    // Distance 0 names the byte at the write position: still a zero.
    for (size_t j = 0; j < n; ++j) block.push_back(d ? block[block.size() - d] : 0);
    i += 3;
  }
  return block;
}

inline std::vector<uint8_t> Runs(uint8_t escape, const std::vector<uint8_t>& in, size_t capacity) {
  std::vector<uint8_t> out;
  uint8_t last = 0;
  size_t i = 0;
  while (i < in.size()) {
    if (in[i] != escape) {
      if (out.size() >= capacity) throw 68;
      last = in[i++];
      out.push_back(last);
      continue;
    }
    if (i + 1 >= in.size()) throw 67;
    uint8_t n = in[i + 1];
    i += 2;
    if (n == escape) {
      if (out.size() >= capacity) throw 68;
      out.push_back(escape);
      last = escape;
    } else if (n != 0) {
      if (out.size() + n > capacity) throw 68;
      out.insert(out.end(), n, last);
    }
  }
  return out;
}

inline Outcome Decompress(const uint8_t* stream, int length, int expected) {
  Outcome outcome;
  try {
    if (expected < 0 || expected > INT_MAX - 256) throw 72;
    if (length < 1) throw 71;
    int flags = stream[0], at = 1;
    uint8_t runEscape = 0, backEscape = 0;
    if (flags & 0x20) {
      if (at >= length) throw 71;
      runEscape = stream[at++];
    }
    if (flags & 0x40) {
      if (at >= length) throw 71;
      backEscape = stream[at++];
    }
    std::vector<uint8_t> body;
    if (flags & 0x10)
      body = Classes(stream + at, length - at, expected);
    else
      body.assign(stream + at, stream + length);
    if (flags & 0x40) body = BackRefs(backEscape, body, (size_t)expected + 256);
    if (flags & 0x20) {
      body = Runs(runEscape, body, (size_t)expected);
    } else if (body.size() > (size_t)expected) {
      throw 70;
    }
    outcome.bytes = body;
  } catch (int code) {
    outcome.code = code;
  }
  return outcome;
}

}  // namespace reference
