// The packer's encoder, always checked through the stub's own decoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/decompress.h"
#include "tools/sfxpack/encoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

const int kAllFlags[] = {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70};

uint32_t NextRandom(uint32_t& state) {
  state ^= state << 13;
  state ^= state >> 17;
  state ^= state << 5;
  return state;
}

Bytes Random(size_t n, uint32_t seed) {
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(NextRandom(seed) >> 24);
  return b;
}

Bytes Text(size_t n) {
  static const char* words[] = {"installation", "de", "la", "fichier", "le", "programme",
                                "version", "Windows", "setup", "archive", "\r\n", "des"};
  Bytes b;
  uint32_t seed = 12345;
  while (b.size() < n) {
    const std::string w = words[NextRandom(seed) % 12];
    b.insert(b.end(), w.begin(), w.end());
    b.push_back(' ');
  }
  b.resize(n);
  return b;
}

Bytes Repeat(uint8_t v, size_t n) { return Bytes(n, v); }

Bytes AllValues(int copies) {
  Bytes b;
  for (int c = 0; c < copies; ++c)
    for (int v = 0; v < 256; ++v) b.push_back(static_cast<uint8_t>(v));
  return b;
}

// Runs of every length up to 300 for a few values, including the lengths 254
// to 257 around the longest run token.
Bytes LongRuns() {
  Bytes b;
  const uint8_t values[] = {0, 1, 0x41, 0xFE, 0xFF};
  for (uint8_t v : values)
    for (size_t len = 1; len <= 300; len += (len < 20 || (len > 250 && len < 260)) ? 1 : 13) {
      b.insert(b.end(), len, v);
      b.push_back(static_cast<uint8_t>(v + 1));
    }
  return b;
}

// Every byte value about equally frequent, so whatever escape is chosen is a
// common literal; repeats at every distance 1..255 so that some wanted copy
// has the escape as its distance, and runs of every length.
Bytes EscapeHeavy() {
  Bytes b = AllValues(4);
  uint32_t seed = 99;
  for (size_t d = 1; d <= 256; ++d) {
    Bytes block = Random(d, seed + static_cast<uint32_t>(d));
    b.insert(b.end(), block.begin(), block.end());
    b.insert(b.end(), block.begin(), block.end());
    b.insert(b.end(), block.begin(), block.begin() + std::min<size_t>(d, 7));
  }
  for (int v = 0; v < 256; ++v) b.insert(b.end(), static_cast<size_t>(v) + 1, static_cast<uint8_t>(v));
  return b;
}

// A mix like an executable: code-like random bytes, zero padding, strings.
Bytes Mixed(size_t n) {
  Bytes b;
  uint32_t seed = 7;
  while (b.size() < n) {
    switch (NextRandom(seed) % 4) {
      case 0: {
        Bytes r = Random(NextRandom(seed) % 700, NextRandom(seed));
        b.insert(b.end(), r.begin(), r.end());
        break;
      }
      case 1:
        b.insert(b.end(), NextRandom(seed) % 2000, 0);
        break;
      case 2: {
        Bytes t = Text(NextRandom(seed) % 900);
        b.insert(b.end(), t.begin(), t.end());
        break;
      }
      default: {
        // An earlier piece again, near or far.
        const size_t len = 3 + NextRandom(seed) % 400;
        if (b.size() > len) {
          const size_t from = NextRandom(seed) % (b.size() - len);
          Bytes copy(b.begin() + from, b.begin() + from + len);
          b.insert(b.end(), copy.begin(), copy.end());
        }
      }
    }
  }
  b.resize(n);
  return b;
}

struct Case {
  const char* name;
  Bytes data;
};

std::vector<Case> Cases() {
  std::vector<Case> c;
  c.push_back({"empty", {}});
  c.push_back({"one zero", {0}});
  c.push_back({"one 0xFF", {0xFF}});
  c.push_back({"two bytes", {0x41, 0x41}});
  c.push_back({"same byte 1000", Repeat(0x41, 1000)});
  c.push_back({"zeros 70000", Repeat(0, 70000)});
  c.push_back({"0xFF 600", Repeat(0xFF, 600)});
  c.push_back({"all values", AllValues(1)});
  c.push_back({"all values x40", AllValues(40)});
  c.push_back({"text 5000", Text(5000)});
  c.push_back({"random 10000", Random(10000, 1)});
  c.push_back({"long runs", LongRuns()});
  c.push_back({"escape heavy", EscapeHeavy()});
  for (size_t n : {254, 255, 256, 257, 511, 512}) {
    c.push_back({"random around 256", Random(n, static_cast<uint32_t>(n))});
    c.push_back({"text around 256", Text(n)});
  }
  // Copies exactly 255 and 256 bytes back.
  {
    Bytes b = Random(255, 5);
    Bytes twice = b;
    twice.insert(twice.end(), b.begin(), b.end());
    c.push_back({"repeat at 255", twice});
    Bytes d = Random(256, 6);
    Bytes twice256 = d;
    twice256.insert(twice256.end(), d.begin(), d.end());
    c.push_back({"repeat at 256", twice256});
  }
  c.push_back({"mixed 300 KB", Mixed(300 * 1024)});
  return c;
}

// Decodes with the stub's decoder; false when it reports an error.
bool Decode(const Bytes& stream, size_t expected, Bytes& out) {
  out.assign(expected ? expected : 1, 0xCC);
  int err = -1;
  const int got = Decompress(stream.data(), static_cast<int>(stream.size()), out.data(),
                             static_cast<int>(expected), &err);
  if (err != 0 || got != static_cast<int>(expected)) return false;
  out.resize(expected);
  return true;
}

TEST(Encoder, EveryFlagCombinationRoundTrips) {
  for (const Case& c : Cases()) {
    for (int flags : kAllFlags) {
      SCOPED_TRACE(std::string(c.name) + " flags " + std::to_string(flags));
      const Bytes s = sfxpack::EncodeWithFlags(c.data.data(), c.data.size(), flags);
      if (s.empty()) {
        // Only the class stage (capacity: content size) and runs under back
        // references (block B) can refuse an input.
        EXPECT_TRUE((flags & 0x10) || (flags & 0x60) == 0x60);
        continue;
      }
      EXPECT_EQ(s[0], flags);
      if (flags == 0x00) {
        EXPECT_EQ(s.size(), c.data.size() + 1);
      }
      Bytes back;
      ASSERT_TRUE(Decode(s, c.data.size(), back));
      EXPECT_TRUE(back == c.data);
    }
  }
}

TEST(Encoder, PlainStagesNeverRefuse) {
  for (const Case& c : Cases())
    for (int flags : {0x00, 0x20, 0x40}) {
      SCOPED_TRACE(std::string(c.name) + " flags " + std::to_string(flags));
      EXPECT_FALSE(sfxpack::EncodeWithFlags(c.data.data(), c.data.size(), flags).empty());
    }
}

TEST(Encoder, BestIsTheSmallestAndDecodes) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.name);
    Bytes best;
    ASSERT_TRUE(sfxpack::EncodeBest(c.data.data(), c.data.size(), best));
    Bytes back;
    ASSERT_TRUE(Decode(best, c.data.size(), back));
    EXPECT_TRUE(back == c.data);
    EXPECT_LE(best.size(), c.data.size() + 1);
    for (int flags : kAllFlags) {
      const Bytes s = sfxpack::EncodeWithFlags(c.data.data(), c.data.size(), flags);
      if (!s.empty()) {
        EXPECT_LE(best.size(), s.size()) << "flags " << flags;
      }
    }
  }
}

TEST(Encoder, RejectsFlagsOutsideTheFormat) {
  const Bytes d = Text(100);
  for (int flags : {0x01, 0x08, 0x80, 0x90, 0xF0})
    EXPECT_TRUE(sfxpack::EncodeWithFlags(d.data(), d.size(), flags).empty()) << flags;
}

struct RatioCase {
  const char* name;
  Bytes data;
  double maxRatio;  // stream size / content size
};

TEST(Encoder, CompressesRedundantData) {
  std::string lines;
  for (int i = 0; i < 3000; ++i)
    lines += "Ligne " + std::to_string(i % 10) + " : copie du fichier setup.exe\r\n";
  const RatioCase cases[] = {
      {"repetitive text", Bytes(lines.begin(), lines.end()), 0.05},
      {"zeros", Repeat(0, 100000), 0.001},
      {"varied text", Text(100000), 0.3},
      {"mixed", Mixed(200000), 0.4},
  };
  for (const RatioCase& c : cases) {
    Bytes best;
    ASSERT_TRUE(sfxpack::EncodeBest(c.data.data(), c.data.size(), best)) << c.name;
    const double ratio = double(best.size()) / double(c.data.size());
    EXPECT_LT(ratio, c.maxRatio) << c.name << ": " << best.size() << " of " << c.data.size();
  }
}

TEST(Encoder, RandomDataCostsOneByte) {
  const Bytes d = Random(50000, 77);
  Bytes best;
  ASSERT_TRUE(sfxpack::EncodeBest(d.data(), d.size(), best));
  EXPECT_EQ(best.size(), d.size() + 1);
  EXPECT_EQ(best[0], 0x00);
}

// A symbol of a class without value bits whose prefix ends on the last bit of
// the stream is lost by the decoder. Eight copies of one byte give exactly
// that with the cheapest widths (one '1' bit per symbol, one full byte).
TEST(Encoder, LastSymbolWithoutValueBitsIsDelivered) {
  const Bytes naive = {0x10, 0x00, 0x00, 0x01, 0x61, 0xFF};
  Bytes out(8, 0);
  int err = -1;
  const int got = Decompress(naive.data(), static_cast<int>(naive.size()), out.data(), 8, &err);
  EXPECT_EQ(got, 7) << "the decoder delivers all but the last symbol";

  struct TrapCase {
    const char* name;
    Bytes data;
  };
  Bytes ab;  // 'a' takes the one-bit code; the stream ends on a full byte
  for (int i = 0; i < 14; ++i) ab.push_back('a');
  ab.push_back('b');
  ab.push_back('a');
  const TrapCase cases[] = {
      {"8 a", Repeat('a', 8)},
      {"16 a", Repeat('a', 16)},
      {"800 zeros", Repeat(0, 800)},
      {"a then b", ab},
  };
  for (const TrapCase& c : cases) {
    for (size_t n = 1; n <= c.data.size() && n <= 64; ++n) {
      const Bytes part(c.data.begin(), c.data.begin() + n);
      const Bytes s = sfxpack::EncodeWithFlags(part.data(), part.size(), 0x10);
      ASSERT_FALSE(s.empty());
      Bytes back;
      ASSERT_TRUE(Decode(s, part.size(), back)) << c.name << " size " << n;
      EXPECT_TRUE(back == part) << c.name << " size " << n;
    }
  }
  // Eight equal bytes: header, table of one symbol, one byte of bits, and the
  // byte that keeps the last symbol.
  const Bytes eight = Repeat('a', 8);
  EXPECT_EQ(sfxpack::EncodeWithFlags(eight.data(), eight.size(), 0x10).size(), 7u);
}

}  // namespace
