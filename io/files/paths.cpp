#include "io/files/paths.h"

#include <algorithm>

namespace korva::io {

bool hasWildcard(std::string_view path) {
  size_t slash = path.find_last_of("/\\");
  std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
  return last.find_first_of("*?") != std::string_view::npos;
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
  // Greedy with one back-tracking point: the last '*' seen takes one more character each
  // time the rest fails, so the match is linear in practice and never recursive.
  size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace korva::io
