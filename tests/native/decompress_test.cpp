#include "archive/decompress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "archive/ctmem.h"
#include "tests/native/decompress_reference.h"
#include "tests/native/log_recorder.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string DecodeErrorText(int code) {
  return "Erreur en d\xE9" "compr\xE9" "ssion code " + std::to_string(code);
}

struct Decoded {
  int result;
  int code;
  Bytes buffer;  // the caller's buffer after the call, exactly expected bytes
};

// The caller's buffer is exactly expectedSize bytes on the heap, prefilled
// with a pattern, so writes past it or into it on failure show.
Decoded DecodeInto(const Bytes& stream, int expected) {
  Decoded d{0, -1, Bytes((size_t)expected, 0xA5)};
  d.result = Decompress(stream.data(), (int)stream.size(), d.buffer.data(), expected, &d.code);
  return d;
}

struct GoodCase {
  const char* what;
  Bytes stream;
  int expected;
  Bytes output;
};

const GoodCase kGoodCases[] = {
    {"class code, end at the fourth 0 bit", {0x10, 0x12, 0x03, 0x03, 0x61, 0x62, 0x63, 0xB4, 0x80}, 4,
     {0x61, 0x62, 0x63, 0x61}},
    {"run after a literal", {0x20, 0xFF, 0x41, 0xFF, 0x03}, 4, {0x41, 0x41, 0x41, 0x41}},
    {"run escape 0", {0x20, 0x00, 0x41, 0x00, 0x03}, 4, {0x41, 0x41, 0x41, 0x41}},
    {"run before any literal repeats 0", {0x20, 0xFF, 0xFF, 0x03}, 3, {0, 0, 0}},
    {"overlapping back reference", {0x40, 0xFE, 0x61, 0x62, 0xFE, 0x02, 0x04}, 6,
     {0x61, 0x62, 0x61, 0x62, 0x61, 0x62}},
    {"back references before runs", {0x60, 0xFF, 0xFE, 0x61, 0x62, 0xFE, 0x02, 0x02, 0xFF, 0x03}, 7,
     {0x61, 0x62, 0x61, 0x62, 0x62, 0x62, 0x62}},
    {"distance equal to the bytes written copies from the first",
     {0x40, 0xFE, 1, 2, 3, 4, 5, 0xFE, 0x05, 0x03}, 8, {1, 2, 3, 4, 5, 1, 2, 3}},
    {"flags 0 copies the body", {0x00, 1, 2, 3}, 3, {1, 2, 3}},
    {"flags 0 into a larger buffer", {0x00, 1, 2, 3}, 5, {1, 2, 3}},
    {"ignored flag bits", {0x8F, 9, 8}, 2, {9, 8}},
    {"distance 0 writes zeros", {0x40, 0xFE, 0x61, 0xFE, 0x00, 0x03}, 4, {0x61, 0, 0, 0}},
    {"escaped back-reference escape", {0x40, 0xFE, 0x61, 0xFE, 0xFE}, 2, {0x61, 0xFE}},
    {"back reference of length 0", {0x40, 0xFE, 0x61, 0xFE, 0x01, 0x00, 0x62}, 2, {0x61, 0x62}},
    {"run escape then 0 writes nothing", {0x20, 0xFF, 0x41, 0xFF, 0x00, 0x42}, 2, {0x41, 0x42}},
    {"escaped run escape becomes the last byte", {0x20, 0xFF, 0xFF, 0xFF, 0xFF, 0x02}, 3, {0xFF, 0xFF, 0xFF}},
    {"run escape 0 with 0 0 is a literal 0", {0x20, 0x00, 0x41, 0x00, 0x00, 0x00, 0x02}, 4, {0x41, 0, 0, 0}},
    {"width-0 class-0 symbol as the last bit is not delivered", {0x10, 0x00, 0x00, 0x01, 0x41, 0xFF}, 10,
     {0x41, 0x41, 0x41, 0x41, 0x41, 0x41, 0x41}},
    {"symbol ending with the last byte is delivered", {0x10, 0x70, 0x00, 0x02, 0x41, 0x42, 0x81, 0x80}, 2,
     {0x42, 0x41}},
    {"fourth 0 bit on the last byte ends", {0x10, 0x10, 0x00, 0x02, 0x41, 0x42, 0xC0}, 4, {0x42}},
    {"prefix running off the last byte after its 1 ends", {0x10, 0x11, 0x00, 0x02, 0x41, 0x42, 0xA9}, 4,
     {0x41, 0x41, 0x41}},
    {"value straddling two bytes", {0x10, 0x80, 0x00, 0x02, 0x41, 0x42, 0x80, 0x80}, 1, {0x42}},
    {"class 3 with unused table positions reads 0", {0x10, 0x00, 0x00, 0x01, 0x41, 0x10, 0x10}, 2, {0}},
    {"class-coded body without bits", {0x10, 0x12, 0x03, 0x01, 0x61}, 0, {}},
    {"all three stages",
     {0x70, 0xFF, 0xFE, 0x21, 0x00, 0x06, 0x61, 0xFE, 0x01, 0x03, 0xFF, 0x02, 0x97, 0x74, 0xC0}, 6,
     {0x61, 0x61, 0x61, 0x61, 0x61, 0x61}},
    {"empty body, expected 0", {0x00}, 0, {}},
    {"short result is not an error", {0x00, 7}, 4, {7}},
};

TEST(Decompress, WorkedStreams) {
  for (const GoodCase& c : kGoodCases) {
    SCOPED_TRACE(c.what);
    LogRecorder log({69, 0});
    Decoded d = DecodeInto(c.stream, c.expected);
    EXPECT_EQ(d.code, 0);
    ASSERT_EQ(d.result, (int)c.output.size());
    EXPECT_EQ(Bytes(d.buffer.begin(), d.buffer.begin() + d.result), c.output);
    for (size_t i = (size_t)d.result; i < d.buffer.size(); ++i) EXPECT_EQ(d.buffer[i], 0xA5) << i;
    EXPECT_TRUE(log.reports.empty());
  }
}

struct BadCase {
  const char* what;
  Bytes stream;
  int expected;
  int code;
};

const BadCase kBadCases[] = {
    {"fourth 0 bit before the last byte", {0x10, 0x12, 0x03, 0x03, 0x61, 0x62, 0x63, 0x00, 0x80}, 4, 21},
    {"fourth 0 bit in padding that spills over a byte", {0x10, 0x10, 0x00, 0x02, 0x41, 0x42, 0xC0, 0x00}, 4, 21},
    {"body shorter than 3 bytes", {0x10, 0x12, 0x03}, 4, 22},
    {"empty class-coded body", {0x10}, 4, 22},
    {"body shorter than its header", {0x10, 0x12, 0x03, 0x05, 0x61}, 4, 22},
    {"symbol count 0 means 256", {0x10, 0x12, 0x03, 0x00, 0x61}, 4, 22},
    {"more symbols than expected", {0x10, 0x12, 0x03, 0x03, 0x61, 0x62, 0x63, 0xB4, 0x80}, 3, 25},
    {"distance beyond the bytes written", {0x40, 0xFE, 1, 2, 3, 4, 0xFE, 0x05, 0x03}, 8, 61},
    {"distance before any byte", {0x40, 0xFE, 0xFE, 0x01, 0x01}, 8, 61},
    {"value bits past the end", {0x10, 0x80, 0x00, 0x01, 0x41, 0x80}, 4, 62},
    {"class 1 width above 8", {0x10, 0x09, 0x00, 0x01, 0x41, 0x80}, 4, 63},
    {"class 0 width above 8", {0x10, 0xF0, 0x00, 0x01, 0x41, 0x80}, 4, 63},
    {"class 2 width above 8", {0x10, 0x00, 0x09, 0x01, 0x41, 0x80}, 4, 63},
    {"code index above 255", {0x10, 0x00, 0x00, 0x01, 0x41, 0x1F, 0xD0}, 4, 64},
    {"back-reference escape at the end", {0x40, 0xFE, 0x61, 0xFE}, 4, 65},
    {"back reference without its length", {0x40, 0xFE, 0x61, 0xFE, 0x01}, 4, 65},
    {"back references beyond their block", {0x40, 0xFE, 0x61, 0xFE, 0x01, 0xFF, 0xFE, 0x01, 0xFF}, 0, 66},
    {"run escape at the end", {0x20, 0xFF, 0x41, 0xFF}, 4, 67},
    {"run beyond the expected size", {0x20, 0xFF, 0x41, 0xFF, 0x05}, 3, 68},
    {"literal beyond the expected size after runs", {0x20, 0xFF, 1, 2, 3}, 2, 68},
    {"escaped run escape beyond the expected size", {0x20, 0xFF, 1, 0xFF, 0xFF}, 1, 68},
    {"copy beyond the expected size", {0x00, 1, 2, 3}, 2, 70},
    {"back references beyond the expected size", {0x40, 0xFE, 0x61, 0xFE, 0x01, 0x09}, 4, 70},
    {"empty stream", {}, 4, 71},
    {"run escape missing", {0x20}, 4, 71},
    {"back-reference escape missing", {0x60, 0xFF}, 4, 71},
    {"negative expected size", {0x00, 1}, -1, 72},
    {"expected size too large for a block", {0x00, 1}, INT_MAX, 72},
};

TEST(Decompress, ErrorsAreReportedOnChannel69Then0) {
  for (const BadCase& c : kBadCases) {
    SCOPED_TRACE(c.what);
    LogRecorder log({69, 0});
    Bytes buffer(c.expected > 0 && c.expected < 1000 ? (size_t)c.expected : 0, 0xA5);
    int code = -1;
    int result = Decompress(c.stream.data(), (int)c.stream.size(), buffer.data(), c.expected, &code);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(code, c.code);
    std::string text = DecodeErrorText(c.code);
    std::vector<LogRecorder::Report> want = {{69, text}, {0, text}};
    EXPECT_EQ(log.reports, want);
    for (uint8_t b : buffer) ASSERT_EQ(b, 0xA5) << "the caller's buffer was written";
  }
}

TEST(Decompress, NoOutputBufferIsAnError) {
  uint8_t stream[] = {0x00, 1};
  int code = 0;
  EXPECT_EQ(Decompress(stream, 2, nullptr, 1, &code), 0);
  EXPECT_EQ(code, 72);
  EXPECT_EQ(Decompress(stream, 1, nullptr, 0, &code), 0);
  EXPECT_EQ(code, 0);
}

TEST(Decompress, ErrorCodeOutIsOptional) {
  uint8_t stream[] = {0x00, 1, 2};
  uint8_t out[2];
  EXPECT_EQ(Decompress(stream, 3, out, 2), 2);
  EXPECT_EQ(Decompress(stream, 3, out, 1), 0);
}

int g_allocations = 0;
int g_refuseFrom = 0;
int RefuseFrom(int) { return ++g_allocations < g_refuseFrom; }

TEST(Decompress, BlockThatCannotBeObtained) {
  // Block A is the first allocation, block B the second.
  for (int refuse : {1, 2}) {
    SCOPED_TRACE(refuse);
    g_allocations = 0;
    g_refuseFrom = refuse;
    g_ctMemAllowHook = RefuseFrom;
    LogRecorder log({69});
    Bytes out(3, 0xA5);
    uint8_t stream[] = {0x00, 1, 2, 3};
    int code = 0;
    int result = Decompress(stream, 4, out.data(), 3, &code);
    g_ctMemAllowHook = nullptr;
    EXPECT_EQ(result, 0);
    EXPECT_EQ(code, 73);
    EXPECT_EQ(g_allocations, refuse);
    EXPECT_EQ(log.reports.size(), 1u);
    EXPECT_EQ(out, Bytes(3, 0xA5));
  }
}

TEST(Decompress, BlocksAreExpectedSizePlus256) {
  static std::vector<int> sizes;
  sizes.clear();
  g_ctMemAllowHook = [](int bytes) {
    sizes.push_back(bytes);
    return 1;
  };
  uint8_t stream[] = {0x00, 1};
  uint8_t out[1000];
  Decompress(stream, 2, out, 1000);
  Decompress(stream, 2, out, 0);
  g_ctMemAllowHook = nullptr;
  EXPECT_EQ(sizes, (std::vector<int>{1256, 1256, 256, 256}));
}

TEST(MakeMask, IsTwoToTheWidthLessOne) {
  const struct {
    int width;
    unsigned mask;
  } cases[] = {{0, 0}, {1, 1}, {2, 3}, {3, 7}, {4, 15}, {5, 31}, {6, 63}, {7, 127}, {8, 255}};
  for (const auto& c : cases) EXPECT_EQ(MakeMask(c.width), c.mask) << c.width;
}

TEST(CtClassDecoder, ParsesTheHeader) {
  const uint8_t body[] = {0x12, 0x03, 0x03, 0x61, 0x62, 0x63, 0xB4, 0x80};
  CtClassDecoder d;
  d.Parse(body, sizeof body);
  EXPECT_EQ(d.widths[0], 1);
  EXPECT_EQ(d.widths[1], 2);
  EXPECT_EQ(d.widths[2], 3);
  EXPECT_EQ(d.widths[3], 8);
  EXPECT_EQ(d.masks[0], 1);
  EXPECT_EQ(d.masks[1], 3);
  EXPECT_EQ(d.masks[2], 7);
  EXPECT_EQ(d.masks[3], 255);
  EXPECT_EQ(d.headerLength, 6);
  EXPECT_EQ(d.dataLength, 2);
  EXPECT_EQ(d.data, body + 6);
  EXPECT_EQ(d.symbols[2], 0x63);
  for (int i = 3; i < 256; ++i) EXPECT_EQ(d.symbols[i], 0) << i;
  int expected[] = {0x61, 0x62, 0x63, 0x61, CtClassDecoder::END};
  for (int want : expected) EXPECT_EQ(d.ReadSymbol(), want);
}

TEST(CtClassDecoder, FourthZeroLeavesThePositionOnTheLastByte) {
  const uint8_t body[] = {0x10, 0x00, 0x02, 0x41, 0x42, 0xC0};
  CtClassDecoder d;
  d.Parse(body, sizeof body);
  EXPECT_EQ(d.ReadSymbol(), 0x42);
  // Bits 2, 3 and 4 are passed; the fourth 0 (bit 5) is not.
  EXPECT_EQ(d.ReadSymbol(), CtClassDecoder::END);
  EXPECT_EQ(d.bytePosition, 0);
  EXPECT_EQ(d.bitPosition, 5);
  EXPECT_EQ(d.ReadSymbol(), CtClassDecoder::END);
}

// ---- Differential checks against the plain decoder ------------------------

class BitWriter {
 public:
  void Put(unsigned value, int width) {
    for (int i = width - 1; i >= 0; --i) Bit((value >> i) & 1);
  }
  void Bit(int bit) {
    if (bits_ % 8 == 0) bytes.push_back(0);
    if (bit) bytes.back() |= (uint8_t)(0x80 >> (bits_ % 8));
    ++bits_;
  }
  Bytes bytes;

 private:
  size_t bits_ = 0;
};

// A class-coded body for the given data: widths, a symbol table holding the
// data's bytes, the code words, then padZeros 0 bits and the byte's rest.
Bytes ClassBody(const Bytes& data, const int widths[3], int padZeros, std::mt19937& rng) {
  Bytes table;
  bool present[256] = {};
  for (uint8_t b : data) present[b] = true;
  for (int b = 0; b < 256; ++b)
    if (present[b] || rng() % 8 == 0) table.push_back((uint8_t)b);
  if (table.empty()) table.push_back(0);
  std::shuffle(table.begin(), table.end(), rng);
  int where[256];
  for (size_t i = 0; i < table.size(); ++i) where[table[i]] = (int)i;
  Bytes body = {(uint8_t)(widths[0] << 4 | widths[1]), (uint8_t)widths[2], (uint8_t)table.size()};
  body.insert(body.end(), table.begin(), table.end());
  int offsets[4] = {0, 1 << widths[0], (1 << widths[0]) + (1 << widths[1]),
                    (1 << widths[0]) + (1 << widths[1]) + (1 << widths[2])};
  BitWriter w;
  for (uint8_t b : data) {
    int index = where[b];
    int k = 3;
    for (int c = 0; c < 3; ++c)
      if (index < offsets[c + 1]) {
        k = c;
        break;
      }
    w.Put(1, k + 1);
    w.Put((unsigned)(index - offsets[k]), k < 3 ? widths[k] : 8);
  }
  for (int i = 0; i < padZeros; ++i) w.Bit(0);
  body.insert(body.end(), w.bytes.begin(), w.bytes.end());
  return body;
}

Bytes RandomData(std::mt19937& rng, size_t length) {
  Bytes data;
  int alphabet = 1 + (int)(rng() % 256);
  while (data.size() < length) {
    if (!data.empty() && rng() % 4 == 0) {
      size_t n = 1 + rng() % 40, d = 1 + rng() % std::min<size_t>(data.size(), 300);
      for (size_t i = 0; i < n && data.size() < length; ++i) data.push_back(data[data.size() - d]);
    } else {
      data.push_back((uint8_t)(rng() % alphabet));
    }
  }
  return data;
}

// Back-reference tokens and run tokens mixed into random data, mostly valid.
Bytes Tokens(std::mt19937& rng, uint8_t escape, bool backRefs, size_t length) {
  Bytes out;
  size_t written = 0;
  while (out.size() < length) {
    unsigned r = rng() % 10;
    if (r < 6) {
      uint8_t b = (uint8_t)(rng() % 8 == 0 ? escape : rng() % 256);
      out.push_back(b);
      if (b == escape) out.push_back(escape);
      ++written;
    } else {
      uint8_t a = (uint8_t)(backRefs ? rng() % (std::min<size_t>(written, 255) + 1 + (rng() % 50 == 0))
                                     : rng() % 256);
      if (a == escape) continue;
      uint8_t n = (uint8_t)(rng() % 256);
      out.push_back(escape);
      out.push_back(a);
      if (backRefs) {
        out.push_back(n);
        written += n;
      }
    }
  }
  return out;
}

Bytes RandomStream(std::mt19937& rng) {
  int flags = (int)(rng() % 8) << 4;
  uint8_t runEscape = (uint8_t)rng(), backEscape = (uint8_t)rng();
  Bytes body;
  switch (rng() % 3) {
    case 0:
      body = RandomData(rng, rng() % 2000);
      break;
    case 1:
      body = Tokens(rng, runEscape, false, rng() % 2000);
      break;
    default:
      body = Tokens(rng, backEscape, true, rng() % 2000);
      break;
  }
  if (flags & 0x10) {
    int widths[3];
    for (int& w : widths) w = rng() % 12 == 0 ? (int)(rng() % 16) : (int)(rng() % 9);
    widths[0] &= 15;
    widths[1] &= 15;
    for (int& w : widths)
      if (w > 8 && rng() % 2) w = 8;
    body = ClassBody(body, widths, (int)(rng() % 20), rng);
  }
  Bytes stream = {(uint8_t)flags};
  if (flags & 0x20) stream.push_back(runEscape);
  if (flags & 0x40) stream.push_back(backEscape);
  stream.insert(stream.end(), body.begin(), body.end());
  // Damage some of them.
  if (rng() % 4 == 0 && !stream.empty()) stream.resize(rng() % stream.size());
  if (rng() % 4 == 0)
    for (int i = (int)(rng() % 4); i >= 0 && !stream.empty(); --i) stream[rng() % stream.size()] ^= (uint8_t)(1u << (rng() % 8));
  return stream;
}

// Returns the error code both gave.
int ExpectSameAsReference(const Bytes& stream, int expected) {
  reference::Outcome want = reference::Decompress(stream.data(), (int)stream.size(), expected);
  Decoded got = DecodeInto(stream, expected);
  EXPECT_EQ(got.code, want.code);
  if (want.code == 0) {
    EXPECT_EQ(got.result, (int)want.bytes.size());
    EXPECT_TRUE(got.result == (int)want.bytes.size() &&
                std::equal(want.bytes.begin(), want.bytes.end(), got.buffer.begin()));
    for (size_t i = want.bytes.size(); i < got.buffer.size(); ++i) EXPECT_EQ(got.buffer[i], 0xA5);
  } else {
    EXPECT_EQ(got.result, 0);
    for (uint8_t b : got.buffer) EXPECT_EQ(b, 0xA5);
  }
  return want.code;
}

TEST(Decompress, AgreesWithThePlainDecoderOnRandomStreams) {
  std::mt19937 rng(12345);
  int decoded = 0, failed = 0;
  for (int trial = 0; trial < 8000; ++trial) {
    Bytes stream = RandomStream(rng);
    // The plain decoder's output length, give or take, so that 25, 66, 68
    // and 70 all come up.
    reference::Outcome loose = reference::Decompress(stream.data(), (int)stream.size(), 1 << 20);
    int size = loose.code == 0 ? (int)loose.bytes.size() : (int)(rng() % 4000);
    int expected = std::max(0, size + (int)(rng() % 7) - 4 + (rng() % 5 == 0 ? 300 : 0));
    SCOPED_TRACE(trial);
    if (ExpectSameAsReference(stream, expected))
      ++failed;
    else
      ++decoded;
    if (::testing::Test::HasFailure()) return;
  }
  // Both kinds of outcome must have been exercised in earnest.
  EXPECT_GT(decoded, 1000);
  EXPECT_GT(failed, 1000);
}

TEST(Decompress, AgreesWithThePlainDecoderOnRandomBits) {
  std::mt19937 rng(777);
  for (int trial = 0; trial < 20000; ++trial) {
    Bytes stream = {0x10};
    int length = (int)(rng() % 40);
    for (int i = 0; i < length; ++i) stream.push_back((uint8_t)rng());
    if (stream.size() > 1 && rng() % 2) stream[1] = (uint8_t)(stream[1] & 0x77);
    if (stream.size() > 2 && rng() % 2) stream[2] &= 7;
    if (stream.size() > 3 && rng() % 2) stream[3] = (uint8_t)(1 + rng() % 4);
    if (rng() % 3 == 0)
      for (size_t i = 4; i < stream.size(); ++i) stream[i] &= (uint8_t)rng();
    SCOPED_TRACE(trial);
    ExpectSameAsReference(stream, (int)(rng() % 80));
    if (::testing::Test::HasFailure()) return;
  }
}

// Each stage on its own, with a capacity of exactly what it produces (and a
// little less): it must agree with the plain decoder and never touch the
// guard bytes that follow its capacity.
TEST(Stages, WriteOnlyInsideTheirCapacity) {
  std::mt19937 rng(4242);
  for (int trial = 0; trial < 3000; ++trial) {
    SCOPED_TRACE(trial);
    const bool backRefs = trial % 2 == 0;
    uint8_t escape = (uint8_t)rng();
    Bytes input = Tokens(rng, escape, backRefs, 1 + rng() % 600);
    const size_t loose = 1 << 20;
    int want = 0;
    Bytes wanted;
    try {
      wanted = backRefs ? reference::BackRefs(escape, input, loose) : reference::Runs(escape, input, loose);
    } catch (int code) {
      want = code;
    }
    if (want) continue;
    for (size_t less : {0, 1, 7}) {
      size_t capacity = wanted.size() >= less ? wanted.size() - less : 0;
      Bytes out(capacity + 16, 0xA5);
      int got = 0, n = -1;
      try {
        n = backRefs ? ExpandBackRefs(escape, input.data(), (int)input.size(), out.data(), (int)capacity)
                     : ExpandRuns(escape, input.data(), (int)input.size(), out.data(), (int)capacity);
      } catch (const CtCompressExcept& e) {
        got = e.code;
      }
      for (size_t i = capacity; i < out.size(); ++i) ASSERT_EQ(out[i], 0xA5) << "written past the capacity";
      if (less == 0 || wanted.empty()) {
        ASSERT_EQ(got, 0);
        ASSERT_EQ(n, (int)wanted.size());
        ASSERT_TRUE(std::equal(wanted.begin(), wanted.end(), out.begin()));
      } else {
        ASSERT_EQ(got, backRefs ? 66 : 68);
      }
    }
  }
}

TEST(DecodeClasses, LongStreamsMatchThePlainDecoderForEveryWidth) {
  std::mt19937 rng(99);
  for (int w0 = 0; w0 <= 8; w0 += 2)
    for (int w1 = 0; w1 <= 8; w1 += 3)
      for (int w2 = 0; w2 <= 8; w2 += 4) {
        int widths[3] = {w0, w1, w2};
        Bytes data = RandomData(rng, 30000 + rng() % 1000);
        for (int pad = 0; pad < 12; pad += 5) {
          Bytes body = ClassBody(data, widths, pad, rng);
          SCOPED_TRACE(testing::Message() << w0 << " " << w1 << " " << w2 << " pad " << pad);
          Bytes got(data.size() + 1);
          int code = 0, n = 0;
          try {
            n = DecodeClasses(body.data(), (int)body.size(), got.data(), (int)data.size() + 1);
          } catch (const CtCompressExcept& e) {
            code = e.code;
          }
          // Padding of 9 or more zeros leaves a fourth 0 before the last byte.
          int want = 0;
          try {
            reference::Classes(body.data(), (int)body.size(), (int)data.size() + 1);
          } catch (int c) {
            want = c;
          }
          ASSERT_EQ(code, want);
          if (code == 0) {
            ASSERT_EQ(n, (int)data.size());
            got.resize(data.size());
            ASSERT_EQ(got, data);
          }
        }
      }
}

}  // namespace
