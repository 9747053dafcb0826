// Bounded zero-terminated single-byte (Windows-1252) texts and searching.
#pragma once

// Search modes of FindText / FindAfter / GetKeyValue.
enum { FIND_FOLDED = 0, FIND_EXACT = 1 };

// Folding table: byte b compares as FOLD_TABLE[b] in folded mode.
extern const unsigned char FOLD_TABLE[256];

int StrLength(const char* text);
int StrAppend(char* destination, const char* source);
void StrCopyN(char* destination, const char* source, int capacity, int* position = nullptr);
int SameBytes(int count, const char* a, const char* b);
int FindText(const char* haystack, const char* needle, int mode, int length);
const char* FindAfter(const char* haystack, const char* needle, int mode, int length);
int GetKeyValue(const char* haystack, int length, const char* key, char* value, int capacity);
void ReplaceFileName(const char* path, const char* name, char* result);
