// Identification stamp: a marked text in the initialised data (0xFF, "*NAME*!",
// then '!'-separated fields) that carries the version shown in the title.
#pragma once

// The stub's own stamp, 53 bytes with its NUL.
extern const char g_builtinStamp[53];

class REF_PROG {
 public:
  REF_PROG();
  virtual void Notify(int value);
  virtual ~REF_PROG();

  // source null means the built-in stamp. Returns 1 when a stamp was found and copied.
  int ReadStamp(const char* source, int scanLength, int totalLength);
  // Address of the '*' that follows the marker, or null.
  const char* FindStamp(const char* source, int scanLength, int totalLength);
  // 1 when a valid "*NAME*!" begins at source[position].
  int CheckName(const char* source, int position, int totalLength);
  // Cursor past the next '!' (or on the NUL); null starts at the text.
  const char* NextField(const char* cursor) const;
  // Copies the value of the first field from field 3 on that starts with key;
  // at most maxLength characters, no NUL. Returns the count copied.
  int GetField(const char* key, char* output, int maxLength) const;

  int status;
  char text[512];
  const char* stamp;
};

// The value of the "Z000" field, in its six fixed-width pieces; piece 4 is
// the version. Pieces past the end of a short value are empty.
struct StampPieces {
  char piece1[5];
  char piece2[5];
  char piece3[3];
  char version[5];
  char piece5[3];
  char piece6[7];
};

void SplitStampValue(const char* value, int length, StampPieces* pieces);
// What the application does: built-in stamp, field "Z000", split. Returns 1
// when the field was found.
int ReadStampPieces(StampPieces* pieces);
// The version piece, cut to capacity; empty when there is none. Returns its length.
int ReadStampVersion(char* out, int capacity);
