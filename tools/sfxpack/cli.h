// The sfxpack command line and the rules it applies to file names and times.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace sfxpack {

// UTF-8 <-> Windows-1252. Utf8ToCp1252 fails on malformed UTF-8 and on
// characters that code page 1252 cannot hold.
bool Utf8ToCp1252(const std::string& utf8, std::string& cp1252);
std::string Cp1252ToUtf8(const std::string& cp1252);

// Why the installer must not carry an entry of this (Windows-1252) name, or
// an empty string when the name is safe: a plain file name that Windows
// accepts as it is and that names no device.
std::string UnsafeNameReason(const std::string& name);

// The stub's recognition rules.
bool IsSetupProgramName(const std::string& name);
bool IsSetupInfoName(const std::string& name);
bool HasInstallValue(const std::vector<uint8_t>& content);

// FILETIME (100 ns since 1601-01-01 UTC) <-> Unix seconds and nanoseconds.
uint64_t UnixToFileTime(int64_t seconds, uint32_t nanoseconds);
void FileTimeToUnix(uint64_t fileTime, int64_t& seconds, uint32_t& nanoseconds);

// The last-write time an info text gives, read as the stub reads it (the
// keys after a line break, values modulo 2^32). False when both are empty.
bool FileTimeFromInfo(const std::string& info, uint64_t& fileTime);

// Runs one command line (args without the program name); returns the exit
// code: 0 success, 1 failure, 2 usage error.
int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace sfxpack
