// The stub's own formatter: fixed buffers, no allocation.
#pragma once
#include <cstdint>

class CtExceptionDiv0 {};

void DivideUnsigned(uint32_t dividend, uint32_t divisor, uint32_t* quotient, uint32_t* remainder);
char* NumberToText(uint32_t value, char* output, unsigned base);
int EmitField(char** position, char* end, const char* text, char fill, int width);
// Every argument is one 32-bit value, except that %s takes a text pointer.
int FormatText(char* output, int size, const char* format, ...);
