// Three-stage decoder of compressed entry contents.
#pragma once

struct CtCompressExcept {
  int code;
};

// Error codes beside those of the format (21, 22, 25, 61) are listed in
// decompress.cpp. errorCode, when given, receives 0 or the code reported.
int Decompress(const unsigned char* stream, int streamLength, unsigned char* output,
               int expectedSize, int* errorCode = nullptr);
