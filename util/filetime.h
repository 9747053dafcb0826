// The file-time keys of an entry's info text ("\r\nDWCL=" low half,
// "\r\nDWCH=" high half of the last-write FILETIME).
#pragma once
#include <cstdint>

// A key value read as a decimal number modulo 2^32: leading blanks, tabs,
// vertical tabs and form feeds skipped, one sign, digits up to the first
// other character. No digits gives 0.
uint32_t KeyValueToUInt32(const char* value);

// Reads both keys from the first `length` bytes of info (0: up to its
// terminator). Returns 0 when both values are empty (the time is then left
// alone), else 1 with the halves in *low and *high (an empty one is 0).
int FileTimeFromInfo(const char* info, int length, uint32_t* low, uint32_t* high);
