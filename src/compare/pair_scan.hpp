#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace varnelo {

// Finds the first index i < count with a[i] == first and b[i] == second, or returns count.
// The containment search runs it with a at a candidate start and b at that candidate's last
// byte, so one pass rules out almost every start without looking at the rest.
using PairFinder = std::size_t (*)(const unsigned char* a, const unsigned char* b, std::size_t count,
                                   unsigned char first, unsigned char second);

std::size_t find_pair_portable(const unsigned char* a, const unsigned char* b, std::size_t count,
                               unsigned char first, unsigned char second);

struct PairFinderVariant {
  std::string_view name;
  PairFinder find;
};

// Every variant this machine can run, the fastest first; the portable one is always last.
const std::vector<PairFinderVariant>& pair_finders();
PairFinder best_pair_finder();

}  // namespace varnelo
