// Codec benchmark: the stub's decoder against memcpy and zlib's inflate, and
// the packer's encoder against zlib at level 9 (the deflate of gzip -9), on
// files that any Debian machine with the build dependencies has.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <vector>

#include "archive/decompress.h"
#include "tools/sfxpack/encoder.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Processor time of this thread: the figures stay meaningful on a machine
// shared with other work.
struct Clock {
  using time_point = double;
  static double now() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
  }
};

// Files above this size are left out: the payload's entries are a megabyte or
// so, and the two largest runtime DLLs would only lengthen the run.
constexpr off_t kMaxFileSize = 8 << 20;

struct File {
  std::string path;
  Bytes content;
  Bytes packed;   // EncodeBest
  Bytes zlib9;    // compress2 level 9
};

bool ReadFile(const std::string& path, Bytes& out) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxFileSize)
    return false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.resize(static_cast<size_t>(st.st_size));
  const size_t got = out.empty() ? 0 : std::fread(out.data(), 1, out.size(), f);
  std::fclose(f);
  return got == out.size();
}

// Entries of dir whose names end with suffix, sorted, at most limit of them.
std::vector<std::string> List(const std::string& dir, const std::string& suffix, size_t limit) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      if (n.size() >= suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
        names.push_back(dir + "/" + n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  if (names.size() > limit) names.resize(limit);
  return names;
}

std::vector<std::string> CorpusPaths() {
  std::vector<std::string> paths;
  for (const char* dir : {"/usr/lib/gcc/x86_64-w64-mingw32/12-posix", "/usr/x86_64-w64-mingw32/lib",
                          "/usr/lib/gcc/i686-w64-mingw32/12-posix"})
    for (const auto& p : List(dir, ".dll", 100)) paths.push_back(p);
  for (const char* bin : {"bash", "cp", "find", "grep", "gzip", "ls", "make", "sed", "tar"})
    paths.push_back(std::string("/usr/bin/") + bin);
  for (const auto& p : List("/usr/share/common-licenses", "", 100)) paths.push_back(p);
  // The first 40 package copyright files, by package name.
  std::vector<std::string> docs = List("/usr/share/doc", "", 100000);
  size_t taken = 0;
  for (const auto& d : docs) {
    if (taken == 40) break;
    struct stat st;
    const std::string p = d + "/copyright";
    if (stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      paths.push_back(p);
      ++taken;
    }
  }
  return paths;
}

double Seconds(double a, double b) { return b - a; }

double Mb(uint64_t bytes) { return double(bytes) / 1e6; }

// Runs pass() over the corpus until at least minSeconds have passed; returns
// the throughput in MB/s of `bytes` per pass.
template <class Pass>
double Throughput(uint64_t bytes, Pass pass, double minSeconds = 0.5) {
  pass();  // warm caches
  int rounds = 0;
  const auto start = Clock::now();
  double elapsed = 0;
  do {
    pass();
    ++rounds;
    elapsed = Seconds(start, Clock::now());
  } while (elapsed < minSeconds);
  return Mb(bytes) * rounds / elapsed;
}

volatile uint8_t g_sink;

}  // namespace

int main() {
  std::vector<File> files;
  uint64_t total = 0;
  size_t largest = 0;
  for (const auto& p : CorpusPaths()) {
    File f;
    f.path = p;
    if (!ReadFile(p, f.content)) continue;
    total += f.content.size();
    largest = std::max(largest, f.content.size());
    files.push_back(std::move(f));
  }
  if (files.empty()) {
    std::fprintf(stderr, "bench_codec: no corpus files found\n");
    return 1;
  }
  std::printf("Corpus: %zu files, %llu bytes (%.2f MB), largest %zu bytes\n", files.size(),
              static_cast<unsigned long long>(total), Mb(total), largest);
  std::printf("  (mingw runtime DLLs, a few /usr/bin programs, /usr/share/common-licenses,\n"
              "   40 /usr/share/doc/*/copyright; files above %d MB left out)\n\n",
              int(kMaxFileSize >> 20));

  // Packing.
  uint64_t packedTotal = 0, zlibTotal = 0;
  int winners[8] = {};
  auto t0 = Clock::now();
  for (File& f : files) {
    if (!sfxpack::EncodeBest(f.content.data(), f.content.size(), f.packed)) {
      std::fprintf(stderr, "bench_codec: %s: no stream decodes back\n", f.path.c_str());
      return 1;
    }
    packedTotal += f.packed.size();
    ++winners[(f.packed[0] >> 4) & 7];
  }
  const double encodeSeconds = Seconds(t0, Clock::now());
  t0 = Clock::now();
  for (File& f : files) {
    uLongf len = compressBound(static_cast<uLong>(f.content.size()));
    f.zlib9.resize(len);
    if (compress2(f.zlib9.data(), &len, f.content.data(), static_cast<uLong>(f.content.size()), 9) != Z_OK)
      return 1;
    f.zlib9.resize(len);
    zlibTotal += len;
  }
  const double deflateSeconds = Seconds(t0, Clock::now());

  // Decoding, each file into its own buffer of the content size.
  std::vector<Bytes> out(files.size());
  for (size_t i = 0; i < files.size(); ++i) out[i].resize(files[i].content.size() + 1);
  bool ok = true;
  const double decodeRate = Throughput(total, [&] {
    for (size_t i = 0; i < files.size(); ++i) {
      const File& f = files[i];
      const int n = Decompress(f.packed.data(), int(f.packed.size()), out[i].data(), int(f.content.size()));
      ok = ok && n == int(f.content.size());
    }
  });
  for (size_t i = 0; i < files.size(); ++i)
    ok = ok && std::memcmp(out[i].data(), files[i].content.data(), files[i].content.size()) == 0;
  const double inflateRate = Throughput(total, [&] {
    for (size_t i = 0; i < files.size(); ++i) {
      const File& f = files[i];
      uLongf len = static_cast<uLongf>(out[i].size());
      ok = ok && uncompress(out[i].data(), &len, f.zlib9.data(), uLong(f.zlib9.size())) == Z_OK &&
           len == f.content.size();
    }
  });
  const double memcpyRate = Throughput(total, [&] {
    for (size_t i = 0; i < files.size(); ++i) {
      std::memcpy(out[i].data(), files[i].content.data(), files[i].content.size());
      g_sink = out[i][0];
    }
  });
  if (!ok) {
    std::fprintf(stderr, "bench_codec: a decoded file differs from its content\n");
    return 1;
  }

  std::printf("%-30s %14s %10s\n", "Size", "bytes", "ratio");
  std::printf("%-30s %14llu %10.4f\n", "content", static_cast<unsigned long long>(total), 1.0);
  std::printf("%-30s %14llu %10.4f\n", "zlib level 9 (gzip -9)", static_cast<unsigned long long>(zlibTotal),
              double(zlibTotal) / double(total));
  std::printf("%-30s %14llu %10.4f\n", "sfxpack encoder (best flags)",
              static_cast<unsigned long long>(packedTotal), double(packedTotal) / double(total));
  std::printf("%-30s %25.3f\n\n", "sfxpack size / zlib-9 size", double(packedTotal) / double(zlibTotal));

  std::printf("%-30s %14s %10s\n", "Throughput (content, CPU time)", "MB/s", "vs inflate");
  std::printf("%-30s %14.1f %10.2f\n", "memcpy", memcpyRate, memcpyRate / inflateRate);
  std::printf("%-30s %14.1f %10.2f\n", "zlib inflate (level 9 data)", inflateRate, 1.0);
  std::printf("%-30s %14.1f %10.2f\n", "Decompress (stub decoder)", decodeRate, decodeRate / inflateRate);
  std::printf("%-30s %14.1f\n", "EncodeBest (all 8 candidates)", Mb(total) / encodeSeconds);
  std::printf("%-30s %14.1f\n\n", "zlib deflate level 9", Mb(total) / deflateSeconds);

  std::printf("Winning flags per file:");
  for (int k = 0; k < 8; ++k)
    if (winners[k]) std::printf(" 0x%02X:%d", k << 4, winners[k]);
  std::printf("\n\n");

  // Where the decoder's time goes: the same corpus forced through each
  // combination of stages (files a combination cannot carry are left out).
  std::printf("%-8s %14s %10s %12s\n", "Flags", "stream bytes", "ratio", "decode MB/s");
  for (int flags = 0; flags <= 0x70; flags += 0x10) {
    std::vector<Bytes> streams(files.size());
    uint64_t covered = 0, streamBytes = 0;
    for (size_t i = 0; i < files.size(); ++i) {
      streams[i] = sfxpack::EncodeWithFlags(files[i].content.data(), files[i].content.size(), flags);
      if (streams[i].empty()) continue;
      covered += files[i].content.size();
      streamBytes += streams[i].size();
    }
    if (covered == 0) continue;
    const double rate = Throughput(covered, [&] {
      for (size_t i = 0; i < files.size(); ++i)
        if (!streams[i].empty())
          Decompress(streams[i].data(), int(streams[i].size()), out[i].data(), int(files[i].content.size()));
    }, 0.3);
    std::printf("0x%02X     %14llu %10.4f %12.1f%s\n", flags, static_cast<unsigned long long>(streamBytes),
                double(streamBytes) / double(covered), rate,
                covered == total ? "" : "  (not every file)");
  }
  return 0;
}
