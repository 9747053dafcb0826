// What the handlers under test did, in order, for the framework suites.
#pragma once
#include <string>
#include <vector>

inline std::vector<std::string> g_journal;

// The journal as one line, entries separated by blanks.
inline std::string Journal() {
  std::string s;
  for (const std::string& e : g_journal) s += (s.empty() ? "" : " ") + e;
  return s;
}
