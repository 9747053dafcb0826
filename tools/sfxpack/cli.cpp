#include "tools/sfxpack/cli.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <system_error>

#include "archive/decompress.h"
#include "archive/resarchive.h"
#include "tools/sfxpack/archive_writer.h"
#include "tools/sfxpack/pe_resources.h"
#include "util/entryname.h"
#include "util/filetime.h"
#include "util/log.h"
#include "util/strings.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace sfxpack {

namespace {

// Code points of bytes 0x80..0x9F; 0 marks the five bytes the code page leaves undefined.
const uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
const int kMaxNameBytes = 63;
const uint64_t kMaxFileSize = 0x7FFFFFFF;  // content sizes are signed 32-bit

std::string Display(const fs::path& p) { return p.u8string(); }

std::string Hex32(uint32_t v) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", (unsigned)v);
  return text;
}

// --- Progress on a terminal -----------------------------------------------

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(2) != 0;
#endif
}

class Progress {
 public:
  Progress(std::ostream& err, const char* action) : err_(err), action_(action), on_(StderrIsTerminal()) {}
  ~Progress() { Finish(); }
  void Update(uint64_t done, uint64_t total) {
    if (!on_) return;
    const int percent = total ? (int)(done * 100 / total) : 100;
    const auto now = std::chrono::steady_clock::now();
    if (percent == last_ && now - lastTime_ < std::chrono::milliseconds(200)) return;
    last_ = percent;
    lastTime_ = now;
    std::string bar(30, ' ');
    for (int i = 0; i < percent * 30 / 100; ++i) bar[i] = '#';
    err_ << "\r" << action_ << " [" << bar << "] " << percent << "%" << std::flush;
    shown_ = true;
  }
  void Finish() {
    if (shown_) err_ << "\r" << std::string(action_.size() + 40, ' ') << "\r" << std::flush;
    shown_ = false;
  }

 private:
  std::ostream& err_;
  std::string action_;
  bool on_;
  bool shown_ = false;
  int last_ = -1;
  std::chrono::steady_clock::time_point lastTime_;
};

// --- Files ------------------------------------------------------------------

FILE* OpenStream(const fs::path& path, bool write) {
#ifdef _WIN32
  return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
  return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

bool ReadWholeFile(const fs::path& path, std::vector<uint8_t>& data, std::string& reason) {
  FILE* f = OpenStream(path, false);
  if (!f) {
    reason = std::strerror(errno);
    return false;
  }
  data.clear();
  uint8_t buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    data.insert(data.end(), buffer, buffer + n);
    if (data.size() > kMaxFileSize) break;
  }
  const bool failed = std::ferror(f) != 0;
  if (failed) reason = std::strerror(errno);
  std::fclose(f);
  return !failed;
}

bool WriteWholeFile(const fs::path& path, const std::vector<uint8_t>& data, std::string& reason) {
  FILE* f = OpenStream(path, true);
  if (!f) {
    reason = std::strerror(errno);
    return false;
  }
  bool ok = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  if (!ok) reason = std::strerror(errno);
  if (std::fclose(f) != 0 && ok) {
    reason = std::strerror(errno);
    ok = false;
  }
  return ok;
}

bool ReadFileTime(const fs::path& path, uint64_t& fileTime) {
#ifdef _WIN32
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  fileTime = (uint64_t)data.ftLastWriteTime.dwHighDateTime << 32 | data.ftLastWriteTime.dwLowDateTime;
  return true;
#else
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  fileTime = UnixToFileTime(st.st_mtim.tv_sec, (uint32_t)st.st_mtim.tv_nsec);
  return true;
#endif
}

bool WriteFileTime(const fs::path& path, uint64_t fileTime) {
#ifdef _WIN32
  HANDLE h = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  FILETIME ft;
  ft.dwLowDateTime = (DWORD)fileTime;
  ft.dwHighDateTime = (DWORD)(fileTime >> 32);
  const BOOL ok = ::SetFileTime(h, nullptr, nullptr, &ft);
  CloseHandle(h);
  return ok != 0;
#else
  int64_t seconds;
  uint32_t nanoseconds;
  FileTimeToUnix(fileTime, seconds, nanoseconds);
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = (time_t)seconds;
  times[1].tv_nsec = (long)nanoseconds;
  return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
#endif
}

fs::path ProgramDirectory() {
#ifdef _WIN32
  wchar_t buffer[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, (DWORD)(sizeof buffer / sizeof buffer[0]));
  if (n == 0 || n >= sizeof buffer / sizeof buffer[0]) return {};
  return fs::path(std::wstring(buffer, n)).parent_path();
#else
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : self.parent_path();
#endif
}

unsigned long ProcessId() {
#ifdef _WIN32
  return GetCurrentProcessId();
#else
  return (unsigned long)getpid();
#endif
}

std::string FormatFileTime(uint64_t fileTime) {
  int64_t seconds;
  uint32_t nanoseconds;
  FileTimeToUnix(fileTime, seconds, nanoseconds);
  // Civil date from days since 1970-01-01, valid over the whole FILETIME range.
  int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
  int64_t rest = seconds - days * 86400;
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2);
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", (long long)year,
                (long long)month, (long long)day, (long long)(rest / 3600),
                (long long)(rest / 60 % 60), (long long)(rest % 60));
  return text;
}

// --- The archive, walked field by field --------------------------------------

struct RawEntry {
  int32_t size = 0;
  uint32_t checkword = 0, computed = 0, mode = 0;
  int32_t contentSize = 0;
  std::string name, info;  // complemented back when the mode asks for it
  const uint8_t* data = nullptr;
  size_t dataLength = 0;
  bool hasTime = false;
  uint64_t fileTime = 0;
};

// Walks the chain like the stub does and reports whatever keeps the archive
// from being well formed; the stub would silently stop at such a point.
void WalkArchive(const std::vector<uint8_t>& a, std::vector<RawEntry>& entries,
                 std::vector<std::string>& problems) {
  entries.clear();
  if (a.size() < 4) {
    problems.push_back("archive shorter than its leading word");
    return;
  }
  const int32_t first = (int32_t)((uint32_t)a[0] | (uint32_t)a[1] << 8 | (uint32_t)a[2] << 16 |
                                  (uint32_t)a[3] << 24);
  if (first < 4 || (size_t)first > a.size()) {
    problems.push_back("first entry offset " + std::to_string(first) + " lies outside the archive");
    return;
  }
  auto word = [&](size_t at) {
    return (uint32_t)a[at] | (uint32_t)a[at + 1] << 8 | (uint32_t)a[at + 2] << 16 |
           (uint32_t)a[at + 3] << 24;
  };
  size_t pos = (size_t)first;
  while (pos + 24 <= a.size()) {
    RawEntry e;
    e.size = (int32_t)word(pos);
    if (e.size == 0) break;
    e.checkword = word(pos + 4);
    e.mode = word(pos + 8);
    const int32_t nameLength = (int32_t)word(pos + 12), infoLength = (int32_t)word(pos + 16);
    e.contentSize = (int32_t)word(pos + 20);
    if (e.size < 24 || nameLength < 0 || infoLength < 0 || e.contentSize < 0 ||
        (int64_t)24 + nameLength + infoLength > e.size || pos + (size_t)e.size > a.size()) {
      problems.push_back("entry " + std::to_string(entries.size()) + " at offset " +
                         std::to_string(pos) + " has an invalid header");
      return;
    }
    const uint8_t flip = (e.mode & 1) ? 0xFF : 0;
    for (int32_t i = 0; i < nameLength; ++i) e.name += (char)(a[pos + 24 + i] ^ flip);
    for (int32_t i = 0; i < infoLength; ++i) e.info += (char)(a[pos + 24 + nameLength + i] ^ flip);
    e.data = &a[pos + 24 + nameLength + infoLength];
    e.dataLength = (size_t)e.size - 24 - nameLength - infoLength;
    uint32_t sum = 0;
    for (int32_t j = 0; j < e.size - 24; ++j) sum += (uint32_t)(j % 16 + 1) * a[pos + 24 + j];
    e.computed = ~((uint32_t)e.size + e.mode + (uint32_t)nameLength + (uint32_t)infoLength + sum);
    // The stub reads at most 127 characters of the info text.
    e.hasTime = FileTimeFromInfo(e.info.substr(0, 127), e.fileTime);
    entries.push_back(std::move(e));
    pos += (size_t)entries.back().size;
  }
  if (pos != a.size())
    problems.push_back(std::to_string(a.size() - pos) + " bytes after the last entry are not an entry");
}

// Decoder and checkword reports of the stub's code, kept for the messages.
class ReportCatcher : public LogSink {
 public:
  ReportCatcher() { AddLogSink(this, 69); }
  ~ReportCatcher() { RemoveLogSink(this); }
  void Deliver(const char* text) override { last = text ? text : ""; }
  std::string last;
};

bool LoadArchive(const std::string& file, std::vector<uint8_t>& archive, std::ostream& err) {
  std::vector<uint8_t> bytes;
  std::string reason;
  if (!ReadWholeFile(fs::path(file), bytes, reason)) {
    err << "sfxpack: " << file << ": cannot read: " << reason << "\n";
    return false;
  }
  if (bytes.size() >= 2 && bytes[0] == 'M' && bytes[1] == 'Z') {
    if (!GetPayload(bytes, archive, &reason)) {
      err << "sfxpack: " << file << ": " << reason << "\n";
      return false;
    }
  } else {
    archive.swap(bytes);
  }
  if (archive.size() > (size_t)INT32_MAX) {
    err << "sfxpack: " << file << ": archive larger than 2 GiB\n";
    return false;
  }
  return true;
}

// --- Commands ---------------------------------------------------------------

const char kUsage[] =
    "Usage:\n"
    "  sfxpack build DIR -o SETUP.exe [--stub STUB.exe] [--store]\n"
    "  sfxpack list FILE\n"
    "  sfxpack test FILE\n"
    "  sfxpack extract FILE -o DIR\n"
    "  sfxpack --help\n"
    "\n"
    "build    packs every file of DIR (no subdirectories) into a copy of the\n"
    "         installer stub. Entries are compressed unless --store is given.\n"
    "         The stub is STUB.exe, else $SFXPACK_STUB, else sfxstub.exe next\n"
    "         to this program or in ../share/sfxpack/ from it.\n"
    "list     shows the entries of an installer or of a raw archive: name,\n"
    "         mode, size, stored size, last-write time (UTC) and checkword.\n"
    "test     verifies every checkword and decodes every entry.\n"
    "extract  writes the entries into DIR with their last-write times.\n"
    "\n"
    "FILE is an installer (an executable carrying resource EXE_DATA 1) or a\n"
    "raw archive. Exit status: 0 on success, 1 on failure, 2 on usage errors.\n";

struct Options {
  std::vector<std::string> positional;
  std::string output, stub;
  bool store = false;
};

bool ParseOptions(const std::vector<std::string>& args, size_t from, Options& o, std::ostream& err,
                  bool allowBuildOptions) {
  for (size_t i = from; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= args.size()) {
        err << "sfxpack: option " << a << " needs a value\n";
        return false;
      }
      target = args[++i];
      return true;
    };
    if (a == "-o" || a == "--output") {
      if (!value(o.output)) return false;
    } else if (allowBuildOptions && a == "--stub") {
      if (!value(o.stub)) return false;
    } else if (allowBuildOptions && a == "--store") {
      o.store = true;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "sfxpack: unknown option " << a << "\n";
      return false;
    } else {
      o.positional.push_back(a);
    }
  }
  return true;
}

fs::path FindStub(const std::string& given, std::ostream& err) {
  if (!given.empty()) {
    if (fs::is_regular_file(fs::path(given))) return fs::path(given);
    err << "sfxpack: " << given << ": stub not found\n";
    return {};
  }
  std::vector<fs::path> tried;
  if (const char* env = std::getenv("SFXPACK_STUB"); env && *env) {
    if (fs::is_regular_file(fs::path(env))) return fs::path(env);
    err << "sfxpack: " << env << " (from SFXPACK_STUB): stub not found\n";
    return {};
  }
  const fs::path dir = ProgramDirectory();
  if (!dir.empty()) {
    tried.push_back(dir / "sfxstub.exe");
    tried.push_back(dir / ".." / "share" / "sfxpack" / "sfxstub.exe");
  }
  for (const fs::path& p : tried)
    if (fs::is_regular_file(p)) return p;
  err << "sfxpack: no installer stub found (looked in";
  for (const fs::path& p : tried) err << " " << Display(p);
  err << "); give one with --stub or SFXPACK_STUB\n";
  return {};
}

char FoldCp1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return (char)(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return (char)(c - 32);
  if (c == 0x9A || c == 0x9C || c == 0x9E) return (char)(c - 16);
  if (c == 0xFF) return (char)0x9F;
  return (char)c;
}

int CommandBuild(const Options& o, std::ostream& err) {
  if (o.positional.size() != 1 || o.output.empty()) {
    err << "sfxpack: build needs a folder and -o OUTPUT\n" << kUsage;
    return 2;
  }
  const fs::path dir(o.positional[0]);
  const fs::path output(o.output);
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    err << "sfxpack: " << Display(dir) << ": not a folder\n";
    return 1;
  }

  struct Candidate {
    std::string stored;  // Windows-1252
    fs::path path;
  };
  std::vector<Candidate> files;
  bool failed = false;
  auto refuse = [&](const fs::path& p, const std::string& reason) {
    err << "sfxpack: " << Display(p) << ": " << reason << "\n";
    failed = true;
  };
  fs::directory_iterator it(dir, ec), end;
  if (ec) {
    err << "sfxpack: " << Display(dir) << ": cannot list: " << ec.message() << "\n";
    return 1;
  }
  for (; it != end; it.increment(ec)) {
    if (ec) break;
    const fs::path p = it->path();
    const std::string utf8 = p.filename().u8string();
    std::error_code sec;
    const fs::file_status st = fs::status(p, sec);
    if (fs::is_directory(st)) {
      refuse(p, "is a subdirectory; the installer creates no directories, so the folder must hold "
                "files only");
      continue;
    }
    if (!fs::is_regular_file(st)) {
      refuse(p, "is not a regular file");
      continue;
    }
    std::string stored;
    if (!Utf8ToCp1252(utf8, stored)) {
      refuse(p, "name cannot be written in Windows-1252");
      continue;
    }
    if (stored.size() > (size_t)kMaxNameBytes) {
      refuse(p, "name is longer than 63 bytes (" + std::to_string(stored.size()) + ")");
      continue;
    }
    const std::string reason = UnsafeNameReason(stored);
    if (!reason.empty()) {
      refuse(p, "name " + reason);
      continue;
    }
    const uintmax_t size = fs::file_size(p, sec);
    if (!sec && size > kMaxFileSize) {
      refuse(p, "file is 2 GiB or larger");
      continue;
    }
    files.push_back({stored, p});
  }
  if (ec) {
    err << "sfxpack: " << Display(dir) << ": cannot list: " << ec.message() << "\n";
    return 1;
  }
  if (!failed && files.empty()) {
    err << "sfxpack: " << Display(dir) << ": folder is empty\n";
    return 1;
  }
  std::sort(files.begin(), files.end(),
            [](const Candidate& a, const Candidate& b) { return a.stored < b.stored; });
  // Windows compares file names without case: two such entries would overwrite each other.
  std::map<std::string, const Candidate*> folded;
  for (const Candidate& c : files) {
    std::string key;
    for (unsigned char ch : c.stored) key += FoldCp1252(ch);
    auto [slot, fresh] = folded.emplace(key, &c);
    if (!fresh)
      refuse(c.path, "has the same name as " + Display(slot->second->path) +
                         " once case is ignored, as Windows does");
  }

  std::vector<EntryInput> entries;
  for (const Candidate& c : files) {
    EntryInput e;
    e.name = c.stored;
    e.mode = o.store ? 1 : 3;
    std::string reason;
    uint64_t fileTime = 0;
    if (!ReadWholeFile(c.path, e.content, reason)) {
      refuse(c.path, "cannot read: " + reason);
      continue;
    }
    if (e.content.size() > kMaxFileSize) {
      refuse(c.path, "file is 2 GiB or larger");
      continue;
    }
    if (!ReadFileTime(c.path, fileTime)) {
      refuse(c.path, std::string("cannot read its time: ") + std::strerror(errno));
      continue;
    }
    e.info = MakeInfoText(fileTime);
    entries.push_back(std::move(e));
  }
  if (failed) {
    err << "sfxpack: nothing written\n";
    return 1;
  }

  bool setup = false;
  for (const EntryInput& e : entries)
    setup = setup || IsSetupProgramName(e.name) || (IsSetupInfoName(e.name) && HasInstallValue(e.content));
  if (!setup)
    err << "sfxpack: warning: " << Display(dir)
        << " has neither a setup program (AutoInst_...exe) nor setup information (a .kpx file "
           "with an Install= line); the installer will only say \"Aucune information "
           "d'installation !\"\n";

  const fs::path stubPath = FindStub(o.stub, err);
  if (stubPath.empty()) return 1;
  std::vector<uint8_t> stub;
  std::string reason;
  if (!ReadWholeFile(stubPath, stub, reason)) {
    err << "sfxpack: " << Display(stubPath) << ": cannot read: " << reason << "\n";
    return 1;
  }

  std::vector<uint8_t> archive, installer;
  {
    Progress progress(err, "packing");
    if (!WriteArchive(entries, archive, &reason,
                      [&](uint64_t done, uint64_t total) { progress.Update(done, total); })) {
      progress.Finish();
      err << "sfxpack: " << Display(dir) << ": " << reason << "\n";
      return 1;
    }
  }
  if (!SetPayload(stub, archive, installer, &reason)) {
    err << "sfxpack: " << Display(stubPath) << ": " << reason << "\n";
    return 1;
  }

  // Written beside the target and renamed, so that a failure leaves no output.
  fs::path temporary = output;
  temporary += ".tmp" + std::to_string(ProcessId());
  if (!WriteWholeFile(temporary, installer, reason)) {
    err << "sfxpack: " << Display(temporary) << ": cannot write: " << reason << "\n";
    fs::remove(temporary, ec);
    return 1;
  }
  fs::rename(temporary, output, ec);
  if (ec) {
    err << "sfxpack: " << Display(output) << ": cannot write: " << ec.message() << "\n";
    fs::remove(temporary, ec);
    return 1;
  }
  return 0;
}

int CommandList(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() != 1 || !o.output.empty()) {
    err << "sfxpack: list needs one FILE\n" << kUsage;
    return 2;
  }
  const std::string& file = o.positional[0];
  std::vector<uint8_t> archive;
  if (!LoadArchive(file, archive, err)) return 1;
  std::vector<RawEntry> entries;
  std::vector<std::string> problems;
  WalkArchive(archive, entries, problems);
  char line[160];
  std::snprintf(line, sizeof line, "%4s %10s %10s  %-19s  %-8s  %s\n", "mode", "size", "stored",
                "modified (UTC)", "checkwd", "name");
  out << line;
  bool bad = !problems.empty();
  for (const RawEntry& e : entries) {
    const std::string when = e.hasTime ? FormatFileTime(e.fileTime) : "-";
    std::snprintf(line, sizeof line, "%4u %10ld %10lu  %-19s  %s%s  ", (unsigned)e.mode,
                  (long)e.contentSize, (unsigned long)e.dataLength, when.c_str(),
                  Hex32(e.checkword).c_str(), e.checkword == e.computed ? "" : "!");
    out << line << Cp1252ToUtf8(e.name) << "\n";
    if (e.checkword != e.computed) {
      err << "sfxpack: " << file << ": entry '" << Cp1252ToUtf8(e.name)
          << "': wrong checkword (stored " << Hex32(e.checkword) << ", computed "
          << Hex32(e.computed) << ")\n";
      bad = true;
    }
  }
  for (const std::string& p : problems) err << "sfxpack: " << file << ": " << p << "\n";
  return bad ? 1 : 0;
}

// Decodes entry `index` with the stub's entry access; the reason when it fails.
bool DecodeEntry(const CtResArchive& view, int index, const RawEntry& raw,
                 std::vector<unsigned char>& content, std::string& reason) {
  ReportCatcher reports;
  int32_t length = 0;
  if (!view.GetEntry(index, nullptr, 0, nullptr, 0, nullptr, &length)) {
    reason = "wrong checkword";
    return false;
  }
  content.assign((size_t)length + 1, 0);
  int delivered = 0;
  int32_t capacity = length;
  view.GetEntry(index, nullptr, 0, nullptr, 0, content.data(), &capacity, &delivered);
  if (raw.mode > 3) {
    reason = "mode " + std::to_string(raw.mode) + " cannot be read";
    return false;
  }
  if (!delivered && !reports.last.empty()) {
    reason = Cp1252ToUtf8(reports.last);
    return false;
  }
  if (raw.mode >= 2) {
    // A stream may decode without an error to fewer bytes than declared.
    std::vector<unsigned char> check((size_t)length + 1);
    int code = 0;
    const int n = Decompress(raw.data, (int)raw.dataLength, check.data(), length, &code);
    if (n != length || !delivered) {
      reason = "stream decodes to " + std::to_string(n) + " bytes instead of " + std::to_string(length);
      return false;
    }
  } else if (!delivered) {
    reason = "content could not be delivered";
    return false;
  } else if ((int64_t)raw.dataLength != length) {
    reason = "stored data of " + std::to_string(raw.dataLength) + " bytes for a content of " +
             std::to_string(length);
    return false;
  }
  content.resize((size_t)length);
  return true;
}

// The name as the installer sees it (cut to 63 bytes), and whether it may be written.
std::string EntryNameProblem(const RawEntry& e) {
  if (e.name.size() > (size_t)kMaxNameBytes) return "name longer than 63 bytes; the installer would cut it";
  const std::string reason = UnsafeNameReason(e.name);
  return reason.empty() ? "" : "name " + reason;
}

int CommandTest(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() != 1 || !o.output.empty()) {
    err << "sfxpack: test needs one FILE\n" << kUsage;
    return 2;
  }
  const std::string& file = o.positional[0];
  std::vector<uint8_t> archive;
  if (!LoadArchive(file, archive, err)) return 1;
  std::vector<RawEntry> entries;
  std::vector<std::string> problems;
  WalkArchive(archive, entries, problems);
  const CtResArchive view(archive.data(), (int32_t)archive.size());
  uint64_t total = 0, done = 0;
  for (const RawEntry& e : entries) total += (uint64_t)e.contentSize;
  int faults = 0;
  Progress progress(err, "testing");
  for (size_t i = 0; i < entries.size(); ++i) {
    const RawEntry& e = entries[i];
    std::string reason = EntryNameProblem(e);
    std::vector<unsigned char> content;
    if (reason.empty()) DecodeEntry(view, (int)i, e, content, reason);
    if (!reason.empty()) {
      progress.Finish();
      err << "sfxpack: " << file << ": entry " << i << " '" << Cp1252ToUtf8(e.name) << "': " << reason
          << "\n";
      ++faults;
    }
    done += (uint64_t)e.contentSize;
    progress.Update(done, total);
  }
  progress.Finish();
  for (const std::string& p : problems) {
    err << "sfxpack: " << file << ": " << p << "\n";
    ++faults;
  }
  if (entries.empty() && problems.empty()) {
    err << "sfxpack: " << file << ": archive has no entries\n";
    ++faults;
  }
  if (faults) return 1;
  out << file << ": " << entries.size() << " entries OK\n";
  return 0;
}

int CommandExtract(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() != 1 || o.output.empty()) {
    err << "sfxpack: extract needs FILE and -o DIR\n" << kUsage;
    return 2;
  }
  const std::string& file = o.positional[0];
  std::vector<uint8_t> archive;
  if (!LoadArchive(file, archive, err)) return 1;
  std::vector<RawEntry> entries;
  std::vector<std::string> problems;
  WalkArchive(archive, entries, problems);
  // Everything is checked before the first file is written.
  bool refused = false;
  for (size_t i = 0; i < entries.size(); ++i) {
    std::string reason = EntryNameProblem(entries[i]);
    if (reason.empty() && entries[i].checkword != entries[i].computed) reason = "wrong checkword";
    if (!reason.empty()) {
      err << "sfxpack: " << file << ": entry " << i << " '" << Cp1252ToUtf8(entries[i].name)
          << "': " << reason << "\n";
      refused = true;
    }
  }
  for (const std::string& p : problems) {
    err << "sfxpack: " << file << ": " << p << "\n";
    refused = true;
  }
  if (refused) {
    err << "sfxpack: nothing extracted\n";
    return 1;
  }
  const fs::path dir(o.output);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir)) {
    err << "sfxpack: " << Display(dir) << ": cannot create the folder"
        << (ec ? ": " + ec.message() : std::string()) << "\n";
    return 1;
  }
  const CtResArchive view(archive.data(), (int32_t)archive.size());
  uint64_t total = 0, done = 0;
  for (const RawEntry& e : entries) total += (uint64_t)e.contentSize;
  Progress progress(err, "extracting");
  int faults = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const RawEntry& e = entries[i];
    const fs::path target = dir / fs::u8path(Cp1252ToUtf8(e.name));
    std::vector<unsigned char> content;
    std::string reason;
    auto fault = [&](const std::string& what) {
      progress.Finish();
      err << "sfxpack: " << Display(target) << ": " << what << "\n";
      ++faults;
    };
    if (!DecodeEntry(view, (int)i, e, content, reason)) {
      fault("not written: " + reason);
      continue;
    }
    // A link or folder of that name is never written through.
    const fs::file_status st = fs::symlink_status(target, ec);
    if (fs::is_directory(st)) {
      fault("not written: a folder of that name exists");
      continue;
    }
    if (fs::exists(st)) fs::remove(target, ec);
    if (!WriteWholeFile(target, content, reason)) {
      fault("cannot write: " + reason);
      fs::remove(target, ec);
      continue;
    }
    if (e.hasTime && !WriteFileTime(target, e.fileTime)) fault(std::string("cannot set its time: ") + std::strerror(errno));
    done += (uint64_t)e.contentSize;
    progress.Update(done, total);
  }
  progress.Finish();
  if (faults) return 1;
  out << "extracted " << entries.size() << " files into " << Display(dir) << "\n";
  return 0;
}

}  // namespace

bool Utf8ToCp1252(const std::string& utf8, std::string& cp1252) {
  std::string result;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = (unsigned char)utf8[i];
    uint32_t cp;
    size_t n;
    if (c < 0x80) {
      cp = c;
      n = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F;
      n = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F;
      n = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07;
      n = 4;
    } else {
      return false;
    }
    if (i + n > utf8.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      const unsigned char d = (unsigned char)utf8[i + k];
      if ((d & 0xC0) != 0x80) return false;
      cp = cp << 6 | (d & 0x3F);
    }
    static const uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[n]) return false;  // overlong forms
    i += n;
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
      result += (char)cp;
      continue;
    }
    int found = -1;
    for (int k = 0; k < 32; ++k)
      if (kCp1252High[k] && kCp1252High[k] == cp) found = k;
    if (found < 0) return false;
    result += (char)(0x80 + found);
  }
  cp1252.swap(result);
  return true;
}

std::string Cp1252ToUtf8(const std::string& cp1252) {
  std::string result;
  for (unsigned char c : cp1252) {
    uint32_t cp = c;
    if (c >= 0x80 && c < 0xA0 && kCp1252High[c - 0x80]) cp = kCp1252High[c - 0x80];
    if (cp < 0x80) {
      result += (char)cp;
    } else if (cp < 0x800) {
      result += (char)(0xC0 | cp >> 6);
      result += (char)(0x80 | (cp & 0x3F));
    } else {
      result += (char)(0xE0 | cp >> 12);
      result += (char)(0x80 | (cp >> 6 & 0x3F));
      result += (char)(0x80 | (cp & 0x3F));
    }
  }
  return result;
}

std::string UnsafeNameReason(const std::string& name) {
  if (name.empty()) return "is empty";
  if (name == "." || name == "..") return "is a reference to a folder";
  for (unsigned char c : name) {
    if (c < 32) return "contains a control character";
    if (c == ':') return "contains a colon (a drive or a stream)";
    if (c == '\\' || c == '/') return "contains a path separator; the installer creates no directories";
    if (std::strchr("<>\"|?*", c)) return "contains a character Windows refuses in file names";
  }
  if (name.back() == '.' || name.back() == ' ') return "ends with a dot or a blank, which Windows drops";
  // Devices answer to their name with any extension and in any case.
  std::string base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) c = (char)FoldCp1252((unsigned char)c);
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* d : kDevices)
    if (base == d) return "is a device name on Windows";
  if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
    const unsigned char digit = (unsigned char)base[3];
    if ((digit >= '1' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3)
      return "is a device name on Windows";
  }
  // The installer's own rule has the last word.
  if (!IsSafeEntryName(name.c_str())) return "is refused by the installer's extraction";
  return "";
}

bool IsSetupProgramName(const std::string& name) {
  return name.size() >= 9 && SameBytes(9, name.c_str(), "AutoInst_") &&
         FindText(name.c_str(), ".exe", FIND_FOLDED, 0) != 0;
}

bool IsSetupInfoName(const std::string& name) {
  return FindText(name.c_str(), ".kpx", FIND_FOLDED, 0) != 0;
}

bool HasInstallValue(const std::vector<uint8_t>& content) {
  if (content.empty() || content.size() > (size_t)INT32_MAX) return false;
  std::string text(content.begin(), content.end());  // c_str() adds the terminator the stub has
  const char* value = FindAfter(text.c_str(), "Install=", FIND_FOLDED, (int)content.size());
  return value && (unsigned char)*value >= 32;
}

uint64_t UnixToFileTime(int64_t seconds, uint32_t nanoseconds) {
  const int64_t ticks = seconds * 10000000 + nanoseconds / 100;
  if (ticks < -(int64_t)kUnixEpochAsFileTime) return 0;  // before 1601
  return kUnixEpochAsFileTime + (uint64_t)ticks;
}

void FileTimeToUnix(uint64_t fileTime, int64_t& seconds, uint32_t& nanoseconds) {
  if (fileTime >= kUnixEpochAsFileTime) {
    const uint64_t ticks = fileTime - kUnixEpochAsFileTime;
    seconds = (int64_t)(ticks / 10000000);
    nanoseconds = (uint32_t)(ticks % 10000000 * 100);
  } else {
    const uint64_t before = kUnixEpochAsFileTime - fileTime;
    seconds = -(int64_t)((before + 9999999) / 10000000);
    nanoseconds = (uint32_t)(((uint64_t)(-seconds) * 10000000 - before) * 100);
  }
}

bool FileTimeFromInfo(const std::string& info, uint64_t& fileTime) {
  // The stub's own reading, so that both agree on every odd value.
  uint32_t low = 0, high = 0;
  if (info.empty() || !::FileTimeFromInfo(info.c_str(), (int)info.size(), &low, &high)) return false;
  fileTime = (uint64_t)high << 32 | low;
  return true;
}

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage;
    return 2;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << kUsage;
    return 0;
  }
  for (const std::string& a : args)
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    }
  Options o;
  const bool build = command == "build";
  if (!build && command != "list" && command != "test" && command != "extract") {
    err << "sfxpack: unknown command '" << command << "'\n" << kUsage;
    return 2;
  }
  if (!ParseOptions(args, 1, o, err, build)) return 2;
  if (build) return CommandBuild(o, err);
  if (command == "list") return CommandList(o, out, err);
  if (command == "test") return CommandTest(o, out, err);
  return CommandExtract(o, out, err);
}

}  // namespace sfxpack
