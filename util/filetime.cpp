#include "util/filetime.h"

#include "util/strings.h"

uint32_t KeyValueToUInt32(const char* value) {
  const char* p = value;
  while (*p == ' ' || *p == '\t' || *p == '\v' || *p == '\f') ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  uint32_t n = 0;
  while (*p >= '0' && *p <= '9') n = n * 10u + uint32_t(*p++ - '0');
  return negative ? 0u - n : n;
}

int FileTimeFromInfo(const char* info, int length, uint32_t* low, uint32_t* high) {
  // The values are emptied first: GetKeyValue leaves the buffer alone when
  // the key is missing. Capacity 16 reads at most 15 characters of a value.
  char lowText[16] = {0};
  char highText[16] = {0};
  GetKeyValue(info, length, "\r\nDWCL=", lowText, sizeof lowText);
  GetKeyValue(info, length, "\r\nDWCH=", highText, sizeof highText);
  if (lowText[0] == 0 && highText[0] == 0) return 0;
  *low = KeyValueToUInt32(lowText);
  *high = KeyValueToUInt32(highText);
  return 1;
}
