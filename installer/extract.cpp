#include "installer/extract.h"

#include <climits>

#include "archive/ctmem.h"
#include "archive/resarchive.h"
#include "util/entryname.h"
#include "util/strings.h"

namespace {

enum { kNameCapacity = 64, kInfoCapacity = 128 };

const char kDirectoryName[] = "tmp_vnd";

// The longest extraction directory for which a listed path (directory,
// backslash, 63-character name) fits the batch and the full-path text.
const int kMaxDirectoryLength = EXTRACT_PATH_CAPACITY - 1 - 1 - (kNameCapacity - 1);

// Fills text with the temporary path, a backslash and "tmp_vnd". A path
// that fails, does not fit the text or would not leave room for the listing
// is refused with 0 and an empty text.
int MakeDirectoryText(char* text, int capacity) {
  DWORD length = GetTempPathA(DWORD(capacity), text);
  if (length == 0 || length >= DWORD(capacity)) {
    text[0] = 0;
    return 0;
  }
  int needsSeparator = text[length - 1] != '\\' ? 1 : 0;
  int total = int(length) + needsSeparator + int(sizeof kDirectoryName) - 1;
  if (total > capacity - 1 || total > kMaxDirectoryLength) {
    text[0] = 0;
    return 0;
  }
  int position = int(length);
  if (needsSeparator) StrCopyN(text, "\\", capacity, &position);
  StrCopyN(text, kDirectoryName, capacity, &position);
  return 1;
}

// Writes one entry to a file named after it. 0 when its content cannot be
// delivered or the file cannot be written in full; a file left incomplete
// is removed.
int ExtractEntry(const CtResArchive& archive, int index) {
  char name[kNameCapacity];
  char info[kInfoCapacity];
  int32_t length = 0;
  if (!archive.GetEntry(index, name, sizeof name, nullptr, 0, nullptr, &length)) return 0;
  if (length < 0 || length > INT_MAX - 10) return 0;
  // A block that cannot be obtained fails the extraction like content that
  // cannot be delivered: nothing is written through a null block.
  CtMem block(length + 10);
  if (!block.data) return 0;
  int32_t capacity = length;
  int delivered = 0;
  if (!archive.GetEntry(index, name, sizeof name, info, sizeof info, block.data, &capacity,
                        &delivered) ||
      !delivered || capacity != length)
    return 0;
  H_FILE file;
  if (!file.OpenFile(name, CREATE_ALWAYS, GENERIC_READ | GENERIC_WRITE)) return 0;
  if (file.WriteBytes(block.data, length) != DWORD(length)) {
    file.Close();
    DeleteFileA(name);
    return 0;
  }
  file.SetTimeFromInfo(info, 0);
  return 1;
}

}  // namespace

int CtExtraction::AddToBatch(const char* path, int /*userValue*/) {
  if (batchCount >= EXTRACT_BATCH_SIZE) return 0;
  StrCopyN(batch[batchCount], path, EXTRACT_PATH_CAPACITY);
  ++batchCount;
  return batchCount < EXTRACT_BATCH_SIZE ? 1 : 0;
}

int CtExtraction::CleanDirectory(const char* pattern) {
  // The failure count is never reset: a listing that finds no more files
  // than have failed so far holds nothing but undeletable ones.
  int failures = 0;
  for (;;) {
    batchCount = 0;
    EnumFiles(pattern, this, static_cast<ENUM_CALLBACK>(&CtExtraction::AddToBatch), 0, nullptr);
    if (batchCount == 0 || failures >= batchCount) break;
    for (int i = batchCount - 1; i >= 0; --i) {
      SetFileAttributesA(batch[i], FILE_ATTRIBUTE_NORMAL);
      if (!DeleteFileA(batch[i])) ++failures;
    }
  }
  return failures;
}

int CtExtraction::ExtractAll() {
  if (!directory || directoryCapacity < 1 || !archive) return 0;
  if (!MakeDirectoryText(directory, directoryCapacity)) return 0;

  // Every name is checked before anything is deleted or written. The walk
  // ends at the end of the chain or at the first entry whose checkword is
  // wrong; the entries from there on are never written.
  int sound = 0;
  for (;; ++sound) {
    char name[kNameCapacity];
    int32_t length = 0;
    if (!archive->GetEntry(sound, name, sizeof name, nullptr, 0, nullptr, &length)) break;
    if (!IsSafeEntryName(name)) return 0;
  }
  CtResEntry damaged;
  const bool stoppedByCheckword = archive->FindEntry(sound, &damaged) != 0;

  if (!SetCurrentDirectoryA(directory)) {
    CreateDirectoryA(directory, nullptr);
    if (!SetCurrentDirectoryA(directory)) return 0;
  }

  char pattern[EXTRACT_PATH_CAPACITY];
  int position = 0;
  StrCopyN(pattern, directory, sizeof pattern, &position);
  if (position == 0 || pattern[position - 1] != '\\') StrCopyN(pattern, "\\", sizeof pattern, &position);
  StrCopyN(pattern, "*.*", sizeof pattern, &position);
  CleanDirectory(pattern);

  for (int index = 0; index < sound; ++index)
    if (!ExtractEntry(*archive, index)) return 0;
  // A wrong checkword stops the extraction as a failure, not as the end.
  return stoppedByCheckword ? 0 : 1;
}
