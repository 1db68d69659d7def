#include "compare/search.hpp"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>

#include "compare/pair_scan.hpp"

namespace varnelo {

namespace {

__extension__ typedef unsigned __int128 uint128;

// Window hashes are polynomials in a random base modulo the prime 2^61 - 1. A prime modulus
// (unlike 2^64) has no input that collides for every base, so a file cannot be made to force
// a verification at every offset.
constexpr std::uint64_t modulus = (std::uint64_t{1} << 61) - 1;

// Reduces any value below 2^64 to the range [0, modulus).
inline std::uint64_t fold(std::uint64_t value) {
  value = (value & modulus) + (value >> 61);
  return value >= modulus ? value - modulus : value;
}

inline std::uint64_t mul_mod(std::uint64_t a, std::uint64_t b) {
  uint128 product = static_cast<uint128>(a) * b;
  return fold((static_cast<std::uint64_t>(product) & modulus) + static_cast<std::uint64_t>(product >> 61));
}

std::uint64_t pow_mod(std::uint64_t base, std::uint64_t exponent) {
  std::uint64_t result = 1;
  for (; exponent != 0; exponent >>= 1) {
    if (exponent & 1) result = mul_mod(result, base);
    base = mul_mod(base, base);
  }
  return result;
}

std::uint64_t random_base() {
  std::uint64_t seed =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  try {
    std::random_device device;
    seed ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
  } catch (...) {
    // The clock alone still varies from run to run.
  }
  // A splitmix64 finish spreads a weak seed over the whole range.
  seed += 0x9e3779b97f4a7c15ULL;
  seed = (seed ^ (seed >> 30)) * 0xbf58476d1ce4e5b9ULL;
  seed = (seed ^ (seed >> 27)) * 0x94d049bb133111ebULL;
  seed ^= seed >> 31;
  return 256 + seed % (modulus - 256);
}

// A stretch of one source held in a fixed buffer, refilled from whatever offset is needed next.
class Window {
 public:
  Window(ByteSource& source, std::int64_t size, std::size_t capacity)
      : source_(source),
        size_(size),
        capacity_(static_cast<std::size_t>(
            std::max<std::int64_t>(1, std::min<std::int64_t>(static_cast<std::int64_t>(capacity), size)))),
        data_(std::make_unique_for_overwrite<unsigned char[]>(capacity_)) {}

  std::int64_t capacity() const { return static_cast<std::int64_t>(capacity_); }
  std::int64_t end() const { return start_ + static_cast<std::int64_t>(length_); }
  bool holds(std::int64_t offset, std::int64_t count) const {
    return offset >= start_ && offset + count <= end();
  }
  const unsigned char* at(std::int64_t offset) const { return data_.get() + (offset - start_); }

  // Unless [offset, offset + need) is held already, reads as much as fits from offset on.
  bool cover(std::int64_t offset, std::int64_t need) {
    if (holds(offset, need)) return true;
    auto length = static_cast<std::size_t>(
        std::min<std::int64_t>(static_cast<std::int64_t>(capacity_), size_ - offset));
    length_ = 0;
    if (!source_.read_at(offset, data_.get(), length)) return false;
    start_ = offset;
    length_ = length;
    return true;
  }

 private:
  ByteSource& source_;
  std::int64_t size_;
  std::size_t capacity_;
  std::unique_ptr<unsigned char[]> data_;
  std::int64_t start_ = 0;
  std::size_t length_ = 0;
};

// The scan decides start offsets from left to right. Most are ruled out by a vector pass over
// two cursors (the first and the last part byte); a start that also matches the first bytes
// of the part is decided by a rolling hash of the whole window, and every hash hit is compared
// byte for byte. The hash keeps rolling for part-size offsets after such a start before the
// scan returns to the vector pass, so a hash is built from scratch at most once per part-size
// stretch already scanned (or per occurrence found): the work stays linear.
class Search {
 public:
  Search(ByteSource& host, std::int64_t host_size, ByteSource& part, std::int64_t part_size,
         const ProgressCallback& progress, const SearchTuning& tuning)
      : n_(host_size),
        m_(part_size),
        last_start_(host_size - part_size),
        capacity_(std::min(host_size / part_size, position_list_limit)),
        progress_(progress),
        finder_(best_pair_finder()),
        base_(tuning.hash_base != 0 ? fold(tuning.hash_base) : random_base()),
        trail_(host, host_size, tuning.cursor_buffer),
        lead_(host, host_size, tuning.cursor_buffer),
        check_(host, host_size, tuning.check_buffer),
        part_(part, part_size,
              static_cast<std::int64_t>(tuning.part_cache) >= part_size ? static_cast<std::size_t>(part_size)
                                                                        : tuning.check_buffer) {
    // The prefix is compared inside one buffer of the trailing cursor and read in one piece.
    prefix_length_ =
        std::min<std::int64_t>({static_cast<std::int64_t>(std::max<std::size_t>(tuning.prefix, 1)), m_,
                                trail_.capacity(), part_.capacity()});
    result_.positions.reserve(static_cast<std::size_t>(capacity_));
  }

  SearchResult run() {
    report_to(1);
    if (!load_part()) return std::move(result_);
    while (start_ <= last_start_ && static_cast<std::int64_t>(result_.positions.size()) < capacity_) {
      if (rolling_)
        rolling_step();
      else
        filter_step();
      if (result_.failure != ReadFailure::none) return std::move(result_);
      report_to(start_);
    }
    if (static_cast<std::int64_t>(result_.positions.size()) == capacity_) {
      // The display counts up to the read step that completed the last occurrence. Steps are
      // never longer than the part bytes an attempt still needs, so that step begins at the
      // occurrence, or whole 4096-byte blocks into it for a longer part; and the count never
      // falls below a step whose progress was already reported.
      const std::int64_t last_found = result_.positions.back();
      const std::int64_t last_end = last_found + m_;
      result_.scan_end = std::max(last_found + (m_ - 1) / progress_step * progress_step,
                                  (last_end - 1) / progress_step * progress_step);
      result_.rest_unsearched = n_ - last_end >= m_;
    } else {
      result_.scan_end = n_;
      report_to(n_);
    }
    return std::move(result_);
  }

 private:
  bool cover(Window& window, std::int64_t offset, std::int64_t need) {
    if (window.cover(offset, need)) return true;
    result_.failure = &window == &part_ ? ReadFailure::part : ReadFailure::host;
    return false;
  }

  // Progress for every step that starts before `limit`.
  void report_to(std::int64_t limit) {
    limit = std::min(limit, n_);
    for (; next_report_ < limit; next_report_ += progress_step)
      if (progress_) progress_(next_report_);
  }

  bool load_part() {
    if (!cover(part_, 0, prefix_length_)) return false;
    prefix_.assign(part_.at(0), part_.at(0) + prefix_length_);
    if (!cover(part_, m_ - 1, 1)) return false;
    last_byte_ = *part_.at(m_ - 1);
    if (m_ <= prefix_length_) return true;  // the prefix comparison decides every start

    std::uint64_t hash = 0;
    for (std::int64_t at = 0; at < m_;) {
      if (!cover(part_, at, 1)) return false;
      std::int64_t end = std::min(part_.end(), m_);
      const unsigned char* bytes = part_.at(at);
      for (std::int64_t i = 0; i < end - at; ++i)
        hash = fold(mul_mod(hash, base_) + bytes[i]);
      at = end;
    }
    part_hash_ = hash;
    std::uint64_t top = pow_mod(base_, static_cast<std::uint64_t>(m_));
    for (unsigned byte = 0; byte < 256; ++byte)
      drop_[byte] = fold(modulus - mul_mod(byte, top));
    return true;
  }

  // The host bytes [start, start + part size) in spans: from the trailing cursor when it holds
  // them all, otherwise read through the check buffer. `use` returns false to stop early.
  template <typename Use>
  bool host_spans(std::int64_t start, Use&& use) {
    if (trail_.holds(start, m_)) {
      use(trail_.at(start), std::int64_t{0}, m_);
      return true;
    }
    for (std::int64_t done = 0; done < m_;) {
      if (!cover(check_, start + done, 1)) return false;
      std::int64_t length = std::min(check_.end() - start, m_) - done;
      if (!use(check_.at(start + done), done, length)) return true;
      done += length;
    }
    return true;
  }

  bool window_hash(std::int64_t start, std::uint64_t& hash) {
    hash = 0;
    return host_spans(start, [&](const unsigned char* bytes, std::int64_t, std::int64_t length) {
      for (std::int64_t i = 0; i < length; ++i)
        hash = fold(mul_mod(hash, base_) + bytes[i]);
      return true;
    });
  }

  // Whether the host holds the whole part at `start`, byte for byte.
  bool confirm(std::int64_t start, bool& equal) {
    equal = true;
    bool failed = false;
    bool read = host_spans(start, [&](const unsigned char* bytes, std::int64_t offset, std::int64_t length) {
      while (length > 0) {
        if (!cover(part_, offset, 1)) {
          failed = true;
          return false;
        }
        std::int64_t chunk = std::min(std::min(part_.end(), m_) - offset, length);
        if (std::memcmp(bytes, part_.at(offset), static_cast<std::size_t>(chunk)) != 0) {
          equal = false;
          return false;
        }
        bytes += chunk;
        offset += chunk;
        length -= chunk;
      }
      return true;
    });
    return read && !failed;
  }

  void record(std::int64_t start) {
    result_.positions.push_back(start);
    start_ = start + m_;
    rolling_ = false;
  }

  void filter_step() {
    const std::int64_t s = start_;
    if (!cover(trail_, s, 1) || !cover(lead_, s + m_ - 1, 1)) return;
    std::int64_t span = std::min({trail_.end() - s, lead_.end() - (s + m_ - 1), last_start_ + 1 - s});
    auto hit = static_cast<std::int64_t>(
        finder_(trail_.at(s), lead_.at(s + m_ - 1), static_cast<std::size_t>(span), prefix_[0], last_byte_));
    if (hit == span) {
      start_ = s + span;
      return;
    }
    std::int64_t candidate = s + hit;
    if (!cover(trail_, candidate, prefix_length_)) return;
    if (std::memcmp(trail_.at(candidate), prefix_.data(), static_cast<std::size_t>(prefix_length_)) != 0) {
      start_ = candidate + 1;
      return;
    }
    if (m_ <= prefix_length_) {
      record(candidate);
      return;
    }
    start_ = candidate;
    if (!window_hash(candidate, hash_)) return;
    rolling_ = true;
    rolls_left_ = m_;
  }

  void rolling_step() {
    if (hash_ == part_hash_) {
      bool equal = false;
      if (!confirm(start_, equal)) return;
      if (equal) {
        record(start_);
        return;
      }
    }
    if (start_ == last_start_ || rolls_left_ == 0) {
      ++start_;
      rolling_ = false;
      return;
    }
    if (!cover(trail_, start_, 1) || !cover(lead_, start_ + m_, 1)) return;
    std::int64_t span =
        std::min({trail_.end() - start_, lead_.end() - (start_ + m_), last_start_ - start_, rolls_left_});
    const unsigned char* leaving = trail_.at(start_);
    const unsigned char* entering = lead_.at(start_ + m_);
    std::uint64_t hash = hash_;
    std::int64_t i = 0;
    while (i < span) {
      hash = fold(mul_mod(hash, base_) + drop_[leaving[i]] + entering[i]);
      ++i;
      if (hash == part_hash_) break;
    }
    hash_ = hash;
    start_ += i;
    rolls_left_ -= i;
  }

  const std::int64_t n_;
  const std::int64_t m_;
  const std::int64_t last_start_;
  const std::int64_t capacity_;
  const ProgressCallback& progress_;
  PairFinder finder_;
  std::uint64_t base_;
  Window trail_;  // at the next start offset
  Window lead_;   // a part size further on
  Window check_;
  Window part_;

  std::int64_t prefix_length_ = 1;
  std::vector<unsigned char> prefix_;
  unsigned char last_byte_ = 0;
  std::uint64_t part_hash_ = 0;
  std::uint64_t drop_[256] = {};

  std::int64_t start_ = 0;  // every start offset below it is decided
  bool rolling_ = false;
  std::uint64_t hash_ = 0;  // of the window at start_ while rolling
  std::int64_t rolls_left_ = 0;
  std::int64_t next_report_ = 0;
  SearchResult result_;
};

}  // namespace

SearchResult find_occurrences(ByteSource& host, std::int64_t host_size, ByteSource& part,
                              std::int64_t part_size, const ProgressCallback& progress,
                              const SearchTuning& tuning) {
  Search search(host, host_size, part, part_size, progress, tuning);
  return search.run();
}

}  // namespace varnelo
