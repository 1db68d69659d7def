#pragma once

#include <cstddef>

namespace varnelo {

// Finds the first index i < count with a[i] == first and b[i] == second, or returns count.
// The containment search runs it with a at a candidate start and b at that candidate's last
// byte, so one pass rules out almost every start without looking at the rest.
using PairFinder = std::size_t (*)(const unsigned char* a, const unsigned char* b, std::size_t count,
                                   unsigned char first, unsigned char second);

std::size_t find_pair_portable(const unsigned char* a, const unsigned char* b, std::size_t count,
                               unsigned char first, unsigned char second);

// The SSE2 scan where the features in force (io/cpu_features.hpp) have it, else the portable one.
PairFinder best_pair_finder();

}  // namespace varnelo
