// Encoder for the three-stage compressed stream format of the stub.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace sfxpack {

enum : int { FLAG_CLASSES = 0x10, FLAG_RUNS = 0x20, FLAG_BACKREFS = 0x40 };

// The stream for one given flag combination (0x00..0x70, multiples of 0x10).
std::vector<uint8_t> EncodeWithFlags(const uint8_t* data, size_t size, int flags);

// The smallest stream over every flag combination. Each candidate is decoded
// back with the stub's own decoder and compared before it can win; returns
// false (and leaves out untouched) only if no candidate decodes to the input.
bool EncodeBest(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

}  // namespace sfxpack
