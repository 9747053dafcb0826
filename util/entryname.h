// Which archive entry names may be written as files under the extraction
// directory. Shared by the stub and by the packer, so both apply one rule.
#pragma once

// 1 when the name is a plain relative path (components separated by '\' or
// '/') that stays inside the directory it is written to, else 0.
int IsSafeEntryName(const char* name);
