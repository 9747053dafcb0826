// Input: two bytes that choose the expected size, then the stream.
//   byte 0 bit 7 clear: expected size = (byte 0 & 0x7F) << 8 | byte 1
//   byte 0 bit 7 set:   the plain decoder's output length + (signed) byte 1,
//                       so that sizes around the true one come up often.
// The output buffer is exactly the expected size, on the heap, so any write
// past it is caught; the result must match the plain bit-by-bit decoder.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "archive/decompress.h"
#include "tests/native/decompress_reference.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > (1u << 24)) return 0;
  const uint8_t* stream = data + 2;
  const int length = (int)(size - 2);
  int expected;
  if (data[0] & 0x80) {
    reference::Outcome natural = reference::Decompress(stream, length, 65535);
    expected = (natural.code ? 0 : (int)natural.bytes.size()) + (int8_t)data[1];
    if (expected < 0) expected = 0;
  } else {
    expected = (data[0] & 0x7F) << 8 | data[1];
  }

  uint8_t* out = (uint8_t*)std::malloc(expected ? (size_t)expected : 1);
  std::memset(out, 0xA5, (size_t)expected);
  int code = -1;
  int result = Decompress(length ? stream : nullptr, length, out, expected, &code);

  reference::Outcome want = reference::Decompress(stream, length, expected);
  if (code != want.code) std::abort();
  int kept = 0;
  if (code == 0) {
    if (result != (int)want.bytes.size()) std::abort();
    if (result && std::memcmp(out, want.bytes.data(), (size_t)result) != 0) std::abort();
    kept = result;
  } else if (result != 0) {
    std::abort();
  }
  for (int i = kept; i < expected; ++i)
    if (out[i] != 0xA5) std::abort();
  std::free(out);
  return 0;
}
