#include "Spelling.h"

#include <algorithm>
#include <cctype>

namespace sangen {

namespace {

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// The optimal string alignment distance of a and b, letters compared
// without case, or limit + 1 once it exceeds `limit` (candidates whose
// lengths differ by more are passed over without a table).
std::size_t distance(const std::string& a, const std::string& b, std::size_t limit) {
  const std::size_t n = a.size();
  const std::size_t m = b.size();
  if ((n > m ? n - m : m - n) > limit) return limit + 1;
  std::vector<std::size_t> d((n + 1) * (m + 1));
  auto at = [&](std::size_t i, std::size_t j) -> std::size_t& { return d[i * (m + 1) + j]; };
  for (std::size_t i = 0; i <= n; i++) at(i, 0) = i;
  for (std::size_t j = 0; j <= m; j++) at(0, j) = j;
  for (std::size_t i = 1; i <= n; i++) {
    std::size_t rowMin = at(i, 0);
    for (std::size_t j = 1; j <= m; j++) {
      const std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
      at(i, j) = std::min({at(i - 1, j) + 1, at(i, j - 1) + 1, at(i - 1, j - 1) + cost});
      if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
          lower(a[i - 2]) == lower(b[j - 1]))
        at(i, j) = std::min(at(i, j), at(i - 2, j - 2) + 1);
      rowMin = std::min(rowMin, at(i, j));
    }
    if (rowMin > limit) return limit + 1;
  }
  return at(n, m);
}

}  // namespace

std::string didYouMean(const std::string& word, const std::vector<std::string>& candidates) {
  if (word.empty()) return "";
  const std::size_t limit = std::max<std::size_t>(1, word.size() / 3);
  const std::string* best = nullptr;
  std::size_t bestDistance = limit + 1;
  for (const std::string& candidate : candidates) {
    if (candidate == word) continue;
    const std::size_t d = distance(word, candidate, std::min(limit, bestDistance));
    if (d < bestDistance) {
      bestDistance = d;
      best = &candidate;
    }
  }
  return best && bestDistance <= limit ? " (did you mean '" + *best + "'?)" : "";
}

}  // namespace sangen
