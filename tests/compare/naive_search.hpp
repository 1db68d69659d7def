#pragma once

// The containment rule taken literally, for checking the fast search in tests and fuzzing:
// try every start from the left, skip past each occurrence, stop when the list is full.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "compare/search.hpp"

namespace varnelo::reference {

struct Outcome {
  std::vector<std::int64_t> positions;
  std::int64_t scan_end = 0;
  bool rest_unsearched = false;
  std::vector<std::int64_t> steps;
};

inline Outcome naive_search(const std::string& host, const std::string& part) {
  const auto n = static_cast<std::int64_t>(host.size());
  const auto m = static_cast<std::int64_t>(part.size());
  const std::int64_t capacity = std::min<std::int64_t>(n / m, position_list_limit);
  Outcome out;
  for (std::int64_t s = 0; s + m <= n && static_cast<std::int64_t>(out.positions.size()) < capacity;) {
    if (std::memcmp(host.data() + s, part.data(), static_cast<std::size_t>(m)) == 0) {
      out.positions.push_back(s);
      s += m;
    } else {
      ++s;
    }
  }
  bool filled = static_cast<std::int64_t>(out.positions.size()) == capacity;
  std::int64_t scanned = filled ? out.positions.back() + m : n;
  // The step that completes an occurrence begins at its start, or whole blocks further on, and
  // is not shown below the last step reported.
  out.scan_end = filled ? std::max(out.positions.back() + (m - 1) / progress_step * progress_step,
                                   (scanned - 1) / progress_step * progress_step)
                        : n;
  out.rest_unsearched = filled && n - scanned >= m;
  for (std::int64_t step = 0; step < scanned; step += progress_step)
    out.steps.push_back(step);
  return out;
}

}  // namespace varnelo::reference
