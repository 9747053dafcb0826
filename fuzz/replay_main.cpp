// Runs a fuzz target over every file of the given directories (or files), so
// that the saved corpus is exercised by the ordinary test run.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static bool ReadAll(const std::string& path, std::vector<uint8_t>& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return true;
}

static int RunPath(const std::string& path, int& count) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    return 1;
  }
  if (S_ISDIR(st.st_mode)) {
    DIR* d = opendir(path.c_str());
    if (!d) return 1;
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    closedir(d);
    int rc = 0;
    for (const auto& n : names) rc |= RunPath(path + "/" + n, count);
    return rc;
  }
  std::vector<uint8_t> data;
  if (!ReadAll(path, data)) {
    std::fprintf(stderr, "replay: cannot read %s\n", path.c_str());
    return 1;
  }
  LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
  ++count;
  return 0;
}

int main(int argc, char** argv) {
  int count = 0, rc = 0;
  for (int i = 1; i < argc; ++i) rc |= RunPath(argv[i], count);
  std::printf("replayed %d inputs\n", count);
  if (count == 0) {
    std::fprintf(stderr, "replay: no inputs found\n");
    return 1;
  }
  return rc;
}
