// Encoder for the stub's compressed streams. Stages are applied in the reverse
// order of decoding: runs (escape R), then back references (escape E), then
// the class code. Every choice below is made to minimise the stream size; the
// decoder's own limits (block sizes, capacity of the class stage, the
// unexpressible escape-valued distance or length) are respected here, and
// EncodeBest double-checks every result with the stub's decoder.
#include "tools/sfxpack/encoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "archive/decompress.h"

namespace sfxpack {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr size_t kWindow = 255;    // farthest back reference
constexpr size_t kMaxCopy = 255;   // longest back reference
constexpr size_t kBlockSlack = 256;  // intermediate blocks: expected size + 256
constexpr int kBitParseRounds = 1;

// The decoder works with signed 32-bit sizes and blocks of size + 256.
constexpr size_t kMaxContent = static_cast<size_t>(INT_MAX) - 1024;

// ---------------------------------------------------------------- helpers

void Histogram(const uint8_t* d, size_t n, uint64_t freq[256]) {
  std::fill(freq, freq + 256, 0);
  for (size_t i = 0; i < n; ++i) ++freq[d[i]];
}

// Byte values ordered by rising frequency; ties keep the lower value first.
std::vector<int> RarestBytes(const uint64_t freq[256], size_t count) {
  std::vector<int> order(256);
  for (int i = 0; i < 256; ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return freq[a] < freq[b]; });
  order.resize(count);
  return order;
}

// ---------------------------------------------------------------- runs

// The run stage repeats the last byte it wrote; it starts as 0. A literal
// copy of the repeated byte costs 1 (2 when it is R), a run token always 2, so
// runs of 2 stay literal (ties favour literals, which the later stages like).
// With out == nullptr only the size is computed.
size_t RunEncode(const uint8_t* d, size_t n, int r, Bytes* out) {
  const size_t maxRun = (r == 255) ? 254 : 255;
  size_t total = 0;
  auto put = [&](uint8_t b) {
    if (out) out->push_back(b);
    ++total;
  };
  auto literal = [&](uint8_t b) {
    if (b == r) put(b);
    put(b);
  };
  uint8_t last = 0;
  size_t i = 0;
  while (i < n) {
    const uint8_t b = d[i];
    size_t j = i + 1;
    while (j < n && d[j] == b) ++j;
    size_t copies = j - i;
    if (b != last) {
      literal(b);
      last = b;
      --copies;
    }
    const size_t litCost = (b == r) ? 2 : 1;
    while (copies > 0) {
      if (copies * litCost <= 2) {
        for (; copies > 0; --copies) literal(b);
        break;
      }
      size_t len = std::min(copies, maxRun);
      if (len == static_cast<size_t>(r)) --len;  // R,R would read as a literal R
      put(static_cast<uint8_t>(r));
      put(static_cast<uint8_t>(len));
      copies -= len;
    }
    i = j;
  }
  return total;
}

// The escape that gives the shortest run stream among the rarest bytes.
int ChooseRunEscape(const uint8_t* d, size_t n) {
  uint64_t freq[256];
  Histogram(d, n, freq);
  int best = 0;
  size_t bestSize = SIZE_MAX;
  for (int r : RarestBytes(freq, 4)) {
    const size_t s = RunEncode(d, n, r, nullptr);
    if (s < bestSize) {
      bestSize = s;
      best = r;
    }
  }
  return best;
}

// ---------------------------------------------------------------- back references

// For each position, the longest match found and the longest one with another
// distance: whichever escape is chosen later, one of them has a distance that
// is not the escape. Distance 0 stands for a run of zero bytes (the decoder
// writes zeros for it), usable from the first byte on.
struct MatchInfo {
  uint8_t len1, dist1, len2, dist2;
};

inline size_t MatchLength(const uint8_t* a, const uint8_t* b, size_t start, size_t max) {
  size_t k = start;
  while (k + 8 <= max) {
    uint64_t x, y;
    std::memcpy(&x, a + k, 8);
    std::memcpy(&y, b + k, 8);
    if (x != y) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
      return k + static_cast<size_t>(__builtin_ctzll(x ^ y) >> 3);
#else
      break;
#endif
    }
    k += 8;
  }
  while (k < max && a[k] == b[k]) ++k;
  return k;
}

class MatchFinder {
 public:
  // Positions inside a long match only extend the distances of the position
  // before, instead of walking the chain again: the parse seldom starts a
  // copy there, and it keeps highly repetitive data fast.
  static constexpr size_t kCarryLength = 24;
  static constexpr int kChainDepth = 48;
  static constexpr int kHashBits = 15;

  static std::vector<MatchInfo> Find(const uint8_t* x, size_t n) {
    std::vector<MatchInfo> info(n);
    std::vector<uint8_t> zeros(n + 1, 0);  // length of the zero run at i, capped
    for (size_t i = n; i-- > 0;)
      zeros[i] = x[i] ? 0 : static_cast<uint8_t>(std::min<size_t>(zeros[i + 1] + 1u, kMaxCopy));

    std::vector<int32_t> head(size_t(1) << kHashBits, -1);
    int32_t prev[256];
    std::fill(prev, prev + 256, -1);

    MatchInfo last{0, 0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
      const size_t maxLen = std::min(kMaxCopy, n - i);
      size_t l1 = 0, l2 = 0;
      uint8_t d1 = 0, d2 = 0;
      auto offer = [&](size_t len, uint8_t d) {
        if (len > l1) {
          l2 = l1;
          d2 = d1;
          l1 = len;
          d1 = d;
        } else if (len > l2) {
          l2 = len;
          d2 = d;
        }
      };
      if (zeros[i] >= 2) offer(zeros[i], 0);

      uint32_t h = 0;
      const bool hashable = i + 3 <= n;
      if (hashable) h = Hash(x + i);

      if (last.len1 >= kCarryLength) {
        // Known to match for one byte less than at the position before.
        if (last.dist1 != 0)
          offer(MatchLength(x + i - last.dist1, x + i, last.len1 - 1u, maxLen), last.dist1);
        if (last.len2 >= 2 && last.dist2 != 0 && last.dist2 <= i)
          offer(MatchLength(x + i - last.dist2, x + i, last.len2 - 1u, maxLen), last.dist2);
      } else if (hashable) {
        int32_t p = head[h];
        for (int depth = kChainDepth; p >= 0 && depth > 0; --depth) {
          const size_t d = i - static_cast<size_t>(p);
          if (d > kWindow) break;
          const uint8_t* cand = x + p;
          // Only a match longer than the second best changes anything.
          if (l2 < maxLen && cand[l2] == x[i + l2]) {
            const size_t len = MatchLength(cand, x + i, 0, maxLen);
            offer(len, static_cast<uint8_t>(d));
            if (l2 >= maxLen) break;
          }
          p = prev[p & 255];
        }
      }
      if (hashable) {
        prev[i & 255] = head[h];
        head[h] = static_cast<int32_t>(i);
      }
      last = MatchInfo{static_cast<uint8_t>(l1), d1, static_cast<uint8_t>(l2), d2};
      info[i] = last;
    }
    return info;
  }

 private:
  static uint32_t Hash(const uint8_t* p) {
    const uint32_t v = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    return (v * 2654435761u) >> (32 - kHashBits);
  }
};

// Optimal parse for one escape byte. With byte costs a literal costs 1 (2 for
// the escape itself) and a copy 3; the cost of encoding the suffix from i then
// never grows when i moves forward (a copy from i shortened by one is a copy
// from i + 1), so the longest usable copy is the only one worth trying.
// With bit costs (the class code that follows), the length byte has a price
// of its own, so a few shorter lengths are tried as well.
class BackRefParse {
 public:
  BackRefParse(const uint8_t* x, size_t n, const std::vector<MatchInfo>& info)
      : x_(x), n_(n), info_(info), cost_(n + 1), take_(n), dist_(n) {}

  // Stream size in bytes for escape e.
  uint64_t Cost(int e) {
    cost_[n_] = 0;
    for (size_t i = n_; i-- > 0;) {
      uint64_t best = (x_[i] == e ? 2u : 1u) + cost_[i + 1];
      uint8_t take = 0, dist = 0;
      const MatchInfo& m = info_[i];
      const bool first = m.dist1 != e;  // else dist2, which differs from e
      const size_t len = first ? m.len1 : m.len2;
      if (len >= 2 && 3 + cost_[i + len] < best) {
        best = 3 + cost_[i + len];
        take = static_cast<uint8_t>(len);
        dist = first ? m.dist1 : m.dist2;
      }
      cost_[i] = best;
      take_[i] = take;
      dist_[i] = dist;
    }
    return cost_[0];
  }

  // Stream size in bits once class coded with the code lengths symBits.
  uint64_t CostBits(int e, const uint8_t symBits[256]) {
    // The lengths with the shortest codes.
    int cheap[4];
    {
      std::vector<int> lens;
      for (int l = 3; l <= 255; ++l) lens.push_back(l);
      std::stable_sort(lens.begin(), lens.end(),
                       [&](int a, int b) { return symBits[a] < symBits[b]; });
      std::copy(lens.begin(), lens.begin() + 4, cheap);
    }
    const uint32_t escBits = symBits[e];
    cost_[n_] = 0;
    for (size_t i = n_; i-- > 0;) {
      const uint8_t b = x_[i];
      uint64_t best = (b == e ? 2 * escBits : symBits[b]) + cost_[i + 1];
      uint8_t take = 0, dist = 0;
      const MatchInfo& m = info_[i];
      const std::pair<size_t, uint8_t> choices[2] = {{m.len1, m.dist1}, {m.len2, m.dist2}};
      for (const auto& choice : choices) {
        const size_t len = choice.first;
        const uint8_t d = choice.second;
        if (len < 2 || d == e) continue;
        const uint64_t base = escBits + symBits[d];
        auto tryLength = [&](size_t l) {
          const uint64_t c = base + symBits[l] + cost_[i + l];
          if (c < best) {
            best = c;
            take = static_cast<uint8_t>(l);
            dist = d;
          }
        };
        for (size_t l = len; l + 3 > len && l >= 2; --l) tryLength(l);
        for (int l : cheap)
          if (static_cast<size_t>(l) < len) tryLength(static_cast<size_t>(l));
      }
      cost_[i] = best;
      take_[i] = take;
      dist_[i] = dist;
    }
    return cost_[0];
  }

  // The stream of the last parse, which used escape e.
  void Emit(int e, Bytes& out) const {
    out.reserve(out.size() + n_ / 2);
    size_t i = 0;
    while (i < n_) {
      if (take_[i]) {
        out.push_back(static_cast<uint8_t>(e));
        out.push_back(dist_[i]);
        out.push_back(take_[i]);
        i += take_[i];
      } else {
        if (x_[i] == e) out.push_back(static_cast<uint8_t>(e));
        out.push_back(x_[i]);
        ++i;
      }
    }
  }

 private:
  const uint8_t* x_;
  size_t n_;
  const std::vector<MatchInfo>& info_;
  std::vector<uint64_t> cost_;
  std::vector<uint8_t> take_, dist_;
};

// ---------------------------------------------------------------- class code

// Code index i belongs to class k when offset(k) <= i < offset(k + 1); class 3
// (8 value bits) takes the rest. Symbols are given indices by falling
// frequency, so the widths alone decide the cost, and all 9^3 width choices
// are tried.
struct ClassPlan {
  int width[4] = {0, 0, 0, 8};
  uint8_t table[256] = {};
  int tableCount = 0;       // c as written (1..256)
  int indexOf[256] = {};    // code index of each symbol that occurs
  uint8_t symBits[256] = {};  // code length; absent symbols: class 3 and a table byte
  uint64_t bits = 0;
  bool padByte = false;
  uint64_t size = 0;        // body size: header + table + bit stream
};

int ClassOf(int index, const int off[4]) {
  if (index < off[1]) return 0;
  if (index < off[2]) return 1;
  if (index < off[3]) return 2;
  return 3;
}

ClassPlan PlanClasses(const uint8_t* y, size_t n) {
  uint64_t freq[256];
  Histogram(y, n, freq);
  std::vector<int> order;
  for (int s = 0; s < 256; ++s)
    if (freq[s]) order.push_back(s);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return freq[a] > freq[b]; });
  const int used = static_cast<int>(order.size());
  std::vector<uint64_t> prefix(used + 1, 0);
  for (int i = 0; i < used; ++i) prefix[i + 1] = prefix[i] + freq[order[i]];
  int rank[256] = {};
  for (int i = 0; i < used; ++i) rank[order[i]] = i;
  const int lastIndex = n ? rank[y[n - 1]] : -1;
  const int zeroIndex = freq[0] ? rank[0] : -1;

  ClassPlan plan;
  uint64_t bestSize = UINT64_MAX;
  int bestW[3] = {0, 0, 0};
  bool bestZeroLast = false;
  for (int w0 = 0; w0 <= 8; ++w0)
    for (int w1 = 0; w1 <= 8; ++w1)
      for (int w2 = 0; w2 <= 8; ++w2) {
        const int off[4] = {0, 1 << w0, (1 << w0) + (1 << w1), (1 << w0) + (1 << w1) + (1 << w2)};
        const int widths[4] = {w0, w1, w2, 8};
        uint64_t bits = 0;
        for (int k = 0; k < 4; ++k) {
          const int lo = std::min(off[k], used);
          const int hi = k < 3 ? std::min(off[k + 1], used) : used;
          bits += uint64_t(k + 1 + widths[k]) * (prefix[hi] - prefix[lo]);
        }
        // Indices from c on decode as 0, so a zero byte in the class of the
        // last index can move there and leave the table.
        const bool zeroLast =
            zeroIndex >= 0 && used >= 2 && ClassOf(zeroIndex, off) == ClassOf(used - 1, off);
        const uint64_t table = used == 0 ? 1 : (zeroLast ? used - 1 : used);
        // A symbol whose prefix ends on the stream's last bit is not
        // delivered when its class has no value bits: a zero byte follows it.
        const bool pad = lastIndex >= 0 && bits % 8 == 0 && widths[ClassOf(lastIndex, off)] == 0;
        const uint64_t size = 3 + table + (bits + 7) / 8 + (pad ? 1 : 0);
        if (size < bestSize) {
          bestSize = size;
          bestW[0] = w0;
          bestW[1] = w1;
          bestW[2] = w2;
          bestZeroLast = zeroLast;
          plan.bits = bits;
          plan.padByte = pad;
        }
      }

  plan.width[0] = bestW[0];
  plan.width[1] = bestW[1];
  plan.width[2] = bestW[2];
  plan.size = bestSize;
  if (bestZeroLast) std::swap(order[zeroIndex], order[used - 1]);
  for (int i = 0; i < used; ++i) {
    plan.table[i] = static_cast<uint8_t>(order[i]);
    plan.indexOf[order[i]] = i;
  }
  plan.tableCount = used == 0 ? 1 : (bestZeroLast ? used - 1 : used);
  const int off[4] = {0, 1 << bestW[0], (1 << bestW[0]) + (1 << bestW[1]),
                      (1 << bestW[0]) + (1 << bestW[1]) + (1 << bestW[2])};
  std::fill(plan.symBits, plan.symBits + 256, uint8_t(4 + 8 + 8));
  for (int i = 0; i < used; ++i) {
    const int k = ClassOf(i, off);
    plan.symBits[order[i]] = static_cast<uint8_t>(k + 1 + plan.width[k]);
  }
  return plan;
}

void EmitClasses(const uint8_t* y, size_t n, const ClassPlan& plan, Bytes& out) {
  const int* w = plan.width;
  const int off[4] = {0, 1 << w[0], (1 << w[0]) + (1 << w[1]),
                      (1 << w[0]) + (1 << w[1]) + (1 << w[2])};
  uint16_t code[256] = {};
  uint8_t codeLen[256] = {};
  for (int s = 0; s < 256; ++s) {
    const int idx = plan.indexOf[s];
    const int k = ClassOf(idx, off);
    // Prefix: k zero bits and a one, then the value bits.
    code[s] = static_cast<uint16_t>((1u << w[k]) | unsigned(idx - off[k]));
    codeLen[s] = static_cast<uint8_t>(k + 1 + w[k]);
  }
  const size_t start = out.size();
  out.push_back(static_cast<uint8_t>((w[0] << 4) | w[1]));
  out.push_back(static_cast<uint8_t>(w[2]));
  out.push_back(static_cast<uint8_t>(plan.tableCount & 0xFF));  // 256 is written as 0
  out.insert(out.end(), plan.table, plan.table + plan.tableCount);
  out.reserve(start + plan.size);
  uint64_t acc = 0;
  int accBits = 0;
  for (size_t i = 0; i < n; ++i) {
    acc = (acc << codeLen[y[i]]) | code[y[i]];
    accBits += codeLen[y[i]];
    while (accBits >= 8) {
      accBits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> accBits));
    }
  }
  if (accBits > 0) out.push_back(static_cast<uint8_t>(acc << (8 - accBits)));
  if (plan.padByte) out.push_back(0);
}

// The back-reference stage for one input: the escape is the rarest byte that
// gives the smallest byte stream; that stream serves the combinations without
// the class code. For the class code the parse is redone with the code
// lengths of the first plan, and kept when the coded body is smaller.
struct BackRefStage {
  int escape = 0;
  Bytes plain;        // fewest bytes
  Bytes forClasses;   // fewest class-coded bits
  ClassPlan plan;     // the class code of forClasses
};

// classCapacity: the class stage yields at most this many symbols; 0 when the
// class code is not wanted.
void BackRefEncode(const uint8_t* x, size_t n, size_t classCapacity, BackRefStage& st) {
  const std::vector<MatchInfo> info = MatchFinder::Find(x, n);
  uint64_t freq[256];
  Histogram(x, n, freq);
  BackRefParse parse(x, n, info);
  uint64_t bestCost = UINT64_MAX;
  for (int e : RarestBytes(freq, 4)) {
    const uint64_t c = parse.Cost(e);
    if (c < bestCost) {
      bestCost = c;
      st.escape = e;
    }
  }
  parse.Cost(st.escape);
  parse.Emit(st.escape, st.plain);
  if (classCapacity == 0 || st.plain.size() > classCapacity) return;
  st.plan = PlanClasses(st.plain.data(), st.plain.size());
  st.forClasses = st.plain;
  for (int round = 0; round < kBitParseRounds; ++round) {
    Bytes again;
    parse.CostBits(st.escape, st.plan.symBits);
    parse.Emit(st.escape, again);
    ClassPlan plan = PlanClasses(again.data(), again.size());
    if (plan.size >= st.plan.size || again.size() > classCapacity) break;
    st.plan = plan;
    st.forClasses = std::move(again);
  }
}

// ---------------------------------------------------------------- assembly

Bytes Header(int flags, int runEscape, int backRefEscape) {
  Bytes h;
  h.push_back(static_cast<uint8_t>(flags));
  if (flags & FLAG_RUNS) h.push_back(static_cast<uint8_t>(runEscape));
  if (flags & FLAG_BACKREFS) h.push_back(static_cast<uint8_t>(backRefEscape));
  return h;
}

bool DecodesTo(const Bytes& stream, const uint8_t* data, size_t size) {
  if (stream.size() > static_cast<size_t>(INT_MAX)) return false;
  std::vector<uint8_t> buf(size ? size : 1);
  int err = 0;
  const int got = Decompress(stream.data(), static_cast<int>(stream.size()), buf.data(),
                             static_cast<int>(size), &err);
  return err == 0 && got >= 0 && static_cast<size_t>(got) == size &&
         (size == 0 || std::memcmp(buf.data(), data, size) == 0);
}

}  // namespace

// Returns an empty vector when the combination cannot carry this input within
// the decoder's limits (for instance a class-coded stage input longer than
// the content), or for a flags value outside 0x00..0x70.
std::vector<uint8_t> EncodeWithFlags(const uint8_t* data, size_t size, int flags) {
  if ((flags & ~0x70) != 0 || size > kMaxContent) return {};
  const bool classes = (flags & FLAG_CLASSES) != 0;
  const uint8_t* cur = data;
  size_t curSize = size;
  Bytes runs;
  int r = 0;
  if (flags & FLAG_RUNS) {
    r = ChooseRunEscape(data, size);
    RunEncode(data, size, r, &runs);
    // With back references as well, the run stream lives in block B.
    if ((flags & FLAG_BACKREFS) && runs.size() > size + kBlockSlack) return {};
    cur = runs.data();
    curSize = runs.size();
  }
  BackRefStage refs;
  const ClassPlan* plan = nullptr;
  ClassPlan ownPlan;
  if (flags & FLAG_BACKREFS) {
    BackRefEncode(cur, curSize, classes ? size : 0, refs);
    if (classes && !refs.forClasses.empty()) {
      cur = refs.forClasses.data();
      curSize = refs.forClasses.size();
      plan = &refs.plan;
    } else {
      cur = refs.plain.data();
      curSize = refs.plain.size();
    }
  }
  Bytes out = Header(flags, r, refs.escape);
  if (classes) {
    // The class stage yields at most the content size in symbols.
    if (curSize > size) return {};
    if (!plan) {
      ownPlan = PlanClasses(cur, curSize);
      plan = &ownPlan;
    }
    EmitClasses(cur, curSize, *plan, out);
  } else {
    out.insert(out.end(), cur, cur + curSize);
  }
  return out;
}

// The back-reference parse is shared: the stage sees only two distinct
// inputs (the content, and its run stream), and the class code is planned
// for all four of its inputs before any body is written. Candidates are
// checked smallest first; the first one that decodes to the input wins.
bool EncodeBest(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  if (size > kMaxContent) return false;

  const int r = ChooseRunEscape(data, size);
  Bytes runs;
  RunEncode(data, size, r, &runs);
  BackRefStage refsPlain, refsRuns;
  BackRefEncode(data, size, size, refsPlain);
  const bool runsFitBlock = runs.size() <= size + kBlockSlack;
  if (runsFitBlock) BackRefEncode(runs.data(), runs.size(), size, refsRuns);

  struct Candidate {
    int flags;
    int escape;
    const uint8_t* body;
    size_t bodySize;
    const ClassPlan* plan;
    uint64_t size;
  };
  std::vector<Candidate> cands;
  std::vector<ClassPlan> plans(2);  // for the content and the run stream
  auto add = [&](int flags, int escape, const Bytes* body, const ClassPlan* plan) {
    const uint8_t* b = body ? body->data() : data;
    const size_t n = body ? body->size() : size;
    const uint64_t header = 1 + ((flags & FLAG_RUNS) ? 1 : 0) + ((flags & FLAG_BACKREFS) ? 1 : 0);
    if (flags & FLAG_CLASSES) {
      if (n > size || !plan) return;
      cands.push_back({flags, escape, b, n, plan, header + plan->size});
    } else {
      cands.push_back({flags, escape, b, n, nullptr, header + n});
    }
  };
  plans[0] = PlanClasses(data, size);
  const bool runsClassable = runs.size() <= size;
  if (runsClassable) plans[1] = PlanClasses(runs.data(), runs.size());
  auto refsPlan = [](const BackRefStage& st) {
    return st.forClasses.empty() ? nullptr : &st.plan;
  };
  add(0x00, 0, nullptr, nullptr);
  add(FLAG_CLASSES, 0, nullptr, &plans[0]);
  add(FLAG_RUNS, 0, &runs, nullptr);
  add(FLAG_RUNS | FLAG_CLASSES, 0, &runs, runsClassable ? &plans[1] : nullptr);
  add(FLAG_BACKREFS, refsPlain.escape, &refsPlain.plain, nullptr);
  add(FLAG_BACKREFS | FLAG_CLASSES, refsPlain.escape, &refsPlain.forClasses, refsPlan(refsPlain));
  if (runsFitBlock) {
    add(FLAG_RUNS | FLAG_BACKREFS, refsRuns.escape, &refsRuns.plain, nullptr);
    add(FLAG_RUNS | FLAG_BACKREFS | FLAG_CLASSES, refsRuns.escape, &refsRuns.forClasses,
        refsPlan(refsRuns));
  }
  // Ties go to the fewer stages, which decode faster.
  std::stable_sort(cands.begin(), cands.end(),
                   [](const Candidate& a, const Candidate& b) { return a.size < b.size; });

  for (const Candidate& c : cands) {
    Bytes stream = Header(c.flags, r, c.escape);
    if (c.flags & FLAG_CLASSES)
      EmitClasses(c.body, c.bodySize, *c.plan, stream);
    else
      stream.insert(stream.end(), c.body, c.body + c.bodySize);
    if (DecodesTo(stream, data, size)) {
      out = std::move(stream);
      return true;
    }
  }
  return false;
}

}  // namespace sfxpack
