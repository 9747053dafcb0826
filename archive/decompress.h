// Three-stage decoder of compressed entry contents.
#pragma once

struct CtCompressExcept {
  int code;
};

// Error codes beside those of the format (21, 22, 25, 61) are listed in
// decompress.cpp. errorCode, when given, receives 0 or the code reported.
int Decompress(const unsigned char* stream, int streamLength, unsigned char* output,
               int expectedSize, int* errorCode = nullptr);

// The stages, each raising CtCompressExcept on malformed input. The capacities
// bound every write; no stage reads outside its input.
int DecodeClasses(const unsigned char* body, int bodyLength, unsigned char* output, int capacity);
int ExpandBackRefs(unsigned char escape, const unsigned char* input, int inputLength,
                   unsigned char* output, int capacity);
int ExpandRuns(unsigned char escape, const unsigned char* input, int inputLength,
               unsigned char* output, int capacity);
unsigned char MakeMask(int width);

class CtClassDecoder {
 public:
  enum { END = -1 };
  // Reads the header of a class-coded body; raises 22 when the body is
  // shorter than its header and 63 for a class width above 8.
  void Parse(const unsigned char* body, int bodyLength);
  // One symbol (0..255), or END.
  int ReadSymbol();

  unsigned char widths[4] = {0, 0, 0, 8};
  unsigned char masks[4] = {0, 0, 0, 255};
  unsigned char symbols[256] = {};
  int headerLength = 0;
  unsigned char bitPosition = 0;
  const unsigned char* data = nullptr;
  int bytePosition = 0;
  int dataLength = 0;
};
