// Extraction of the payload archive into "tmp_vnd" under the temporary path.
#pragma once
#include "util/files_win.h"

class CtResArchive;

enum { EXTRACT_BATCH_SIZE = 20, EXTRACT_PATH_CAPACITY = 256 };

// The part of the extraction dialog that does the work; the dialog derives
// from it, and tests use it without a window.
class CtExtraction : public CtEnumContext {
 public:
  CtExtraction(char* directory = nullptr, int directoryCapacity = 0,
               CtResArchive* archive = nullptr)
      : directory(directory), directoryCapacity(directoryCapacity), archive(archive) {}

  // 1 when every entry was written with its content; 0 when the directory
  // could not be entered, or the archive holds an unsafe name (nothing is
  // then deleted or written), or an entry could not be delivered or written
  // (the files written before it stay; no further entry is written).
  int ExtractAll();

  // EnumFiles callback: stores path in the batch; 0 once the batch is full.
  int AddToBatch(const char* path, int userValue);

  // Deletes the files that pattern lists, in batches; subdirectories and
  // names beginning with "." stay. Returns the number of failed deletions.
  int CleanDirectory(const char* pattern);

  char* directory;
  int directoryCapacity;
  CtResArchive* archive;

  int batchCount = 0;
  char batch[EXTRACT_BATCH_SIZE][EXTRACT_PATH_CAPACITY] = {};
};
