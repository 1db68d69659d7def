#include "compare/search.hpp"

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "compare/jobs.hpp"
#include "compare/naive_search.hpp"
#include "compare/pair_scan.hpp"
#include "support/cpu_levels.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

// A source in memory that can be cut short after `readable` bytes, as a file truncated
// during the run would be, and that counts the bytes handed out.
class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string bytes, std::int64_t readable = -1)
      : bytes_(std::move(bytes)), readable_(readable < 0 ? size() : readable) {}

  bool read_at(std::int64_t offset, unsigned char* buffer, std::size_t count) override {
    auto end = offset + static_cast<std::int64_t>(count);
    if (offset < 0 || end > readable_) return false;
    std::memcpy(buffer, bytes_.data() + offset, count);
    bytes_read_ += static_cast<std::int64_t>(count);
    return true;
  }
  std::int64_t size() const { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t bytes_read() const { return bytes_read_; }

 private:
  std::string bytes_;
  std::int64_t readable_;
  std::int64_t bytes_read_ = 0;
};

using reference::naive_search;
using reference::Outcome;

Outcome search(const std::string& host, const std::string& part, const SearchTuning& tuning = {}) {
  MemorySource host_source(host), part_source(part);
  Outcome out;
  SearchResult result = find_occurrences(
      host_source, host_source.size(), part_source, part_source.size(),
      [&](std::int64_t step) { out.steps.push_back(step); }, tuning);
  EXPECT_EQ(result.failure, ReadFailure::none);
  out.positions = result.positions;
  out.scan_end = result.scan_end;
  out.rest_unsearched = result.rest_unsearched;
  return out;
}

void expect_same(const Outcome& got, const Outcome& want, const std::string& context) {
  EXPECT_EQ(got.positions, want.positions) << context;
  EXPECT_EQ(got.scan_end, want.scan_end) << context;
  EXPECT_EQ(got.rest_unsearched, want.rest_unsearched) << context;
  EXPECT_EQ(got.steps, want.steps) << context;
}

// Buffers of a few bytes, so that windows, candidates and occurrences cross buffer ends often.
SearchTuning tiny_tuning(std::mt19937_64& rng) {
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
  SearchTuning tuning;
  tuning.cursor_buffer = static_cast<std::size_t>(pick(1, 48));
  tuning.check_buffer = static_cast<std::size_t>(pick(1, 48));
  tuning.part_cache = static_cast<std::size_t>(pick(0, 1) ? 0 : pick(1, 96));
  tuning.prefix = static_cast<std::size_t>(pick(1, 40));
  // Base 1 turns the window hash into a byte sum, so hash hits that are not occurrences abound.
  tuning.hash_base = pick(0, 4) == 0 ? 1 : 0;
  return tuning;
}

std::string letters(std::mt19937_64& rng, std::size_t length, int alphabet) {
  std::uniform_int_distribution<int> letter(0, alphabet - 1);
  std::string text(length, 'a');
  for (char& c : text)
    c = static_cast<char>('a' + letter(rng));
  return text;
}

// A host and part where occurrences, near misses and overlaps are likely: random text, runs
// of one letter, or copies of the part with a letter changed here and there.
std::pair<std::string, std::string> random_case(std::mt19937_64& rng) {
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
  int alphabet = pick(2, 3);
  int shape = pick(0, 5);
  std::size_t part_size =
      static_cast<std::size_t>(pick(0, 9) == 0 ? pick(4000, 6000) : pick(1, pick(0, 3) ? 12 : 300));
  std::string part = letters(rng, part_size, alphabet);
  std::string host;
  std::size_t host_size = part_size + static_cast<std::size_t>(
                                          pick(0, pick(0, 3) ? 3 * static_cast<int>(part_size) + 40 : 12000));
  switch (shape) {
    case 0:
      host = letters(rng, host_size, alphabet);
      break;
    case 1:  // runs of one letter with the part's pattern at the edges
      part = std::string(part_size - 1, 'a') + (pick(0, 1) ? "b" : "a");
      host = std::string(host_size, 'a');
      if (pick(0, 1)) host[host_size - 1] = 'b';
      break;
    default:  // copies of the part, some damaged, with random glue
      while (host.size() < host_size) {
        std::string copy = part;
        if (pick(0, 2) == 0) copy[static_cast<std::size_t>(pick(0, static_cast<int>(copy.size()) - 1))] ^= 3;
        host += copy;
        if (pick(0, 1)) host += letters(rng, static_cast<std::size_t>(pick(0, 5)), alphabet);
      }
      host.resize(host_size);
      break;
  }
  return {host, part};
}

TEST(ContainmentSearch, MatchesTheNaiveRuleOnRandomInputs) {
  std::mt19937_64 rng(20240611);
  for (int round = 0; round < 3000; ++round) {
    auto [host, part] = random_case(rng);
    Outcome want = naive_search(host, part);
    std::string context = "round " + std::to_string(round) + ", host " + std::to_string(host.size()) +
                          ", part " + std::to_string(part.size());
    testing::for_each_variant(best_pair_finder, [&] {
      SearchTuning tuning = tiny_tuning(rng);
      expect_same(search(host, part, tuning), want,
                  context + ", cursor " + std::to_string(tuning.cursor_buffer));
    });
    expect_same(search(host, part), want, context + ", default buffers");
    if (::testing::Test::HasFailure()) break;
  }
}

TEST(ContainmentSearch, FillsTheListAtItsCapacity) {
  // Many short occurrences: the list limit of 4096 is reached inside long hosts.
  std::mt19937_64 rng(7);
  for (int round = 0; round < 60; ++round) {
    std::string part = letters(rng, static_cast<std::size_t>(round % 3 + 1), 2);
    std::string host = letters(rng, 9000 + static_cast<std::size_t>(round) * 400, 2);
    Outcome want = naive_search(host, part);
    testing::for_each_variant(best_pair_finder, [&] {
      expect_same(search(host, part, tiny_tuning(rng)), want, "round " + std::to_string(round));
    });
    expect_same(search(host, part), want, "round " + std::to_string(round));
  }
}

struct EdgeCase {
  std::string name;
  std::string host;
  std::string part;
  std::vector<std::int64_t> positions;
  std::int64_t scan_end;
  bool rest_unsearched;
};

std::vector<std::int64_t> sequence(std::int64_t count, std::int64_t stride = 1, std::int64_t first = 0) {
  std::vector<std::int64_t> values(static_cast<std::size_t>(count));
  for (std::int64_t i = 0; i < count; ++i)
    values[static_cast<std::size_t>(i)] = first + i * stride;
  return values;
}

std::string repeated(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += text;
  return out;
}

TEST(ContainmentSearch, EdgeCases) {
  std::string big_part = testing::pattern_bytes(5000, 3);
  std::string big_host = testing::pattern_bytes(10000, 9) + big_part + testing::pattern_bytes(3000, 5);
  const std::vector<EdgeCase> cases = {
      {"one occurrence at the end", "aab", "ab", {1}, 1, false},
      {"two adjacent", "abcabc", "abc", {0, 3}, 3, false},
      {"overlaps are not counted", "aaaa", "aa", {0, 2}, 2, false},
      {"odd run", "aaa", "aa", {0}, 0, false},
      {"identical", std::string(10000, 'q'), std::string(10000, 'q'), {0}, 8192, false},
      {"equal size, different", "abcd", "abce", {}, 4, false},
      {"host ends with the first part byte", "xxa", "ab", {}, 3, false},
      {"list fills at 4096", std::string(10000, 'z'), "z", sequence(4096), 4095, true},
      {"list fills with nothing left", std::string(4096, 'z'), "z", sequence(4096), 4095, false},
      {"list fills in a later step", std::string(9000, 'z'), "zz", sequence(4096, 2), 8190, true},
      {"part beyond 4096 bytes",
       big_host,
       big_part,
       {10000},
       static_cast<std::int64_t>(big_host.size()),
       false},
      {"one byte, no match", "aaaa", "b", {}, 4, false},
      {"a long part fills the list", big_part + big_part, big_part, {0, 5000}, 9096, false},
      {"the last place crosses a reported step", "x" + repeated("ab", 2048), "ab", sequence(2048, 2, 1), 4096,
       false},
  };
  for (const auto& c : cases) {
    Outcome want = naive_search(c.host, c.part);
    ASSERT_EQ(want.positions, c.positions) << c.name;  // the reference itself agrees with the examples
    Outcome got = search(c.host, c.part);
    EXPECT_EQ(got.positions, c.positions) << c.name;
    EXPECT_EQ(got.scan_end, c.scan_end) << c.name;
    EXPECT_EQ(got.rest_unsearched, c.rest_unsearched) << c.name;
    EXPECT_EQ(got.steps, want.steps) << c.name;
  }
}

TEST(ContainmentSearch, ReadsTheHostALinearNumberOfTimesOnAdversarialInput) {
  // Inputs where every start nearly matches: a naive scan would read each host byte part-size
  // times. Buffers smaller than the part force every confirmation to read again.
  struct Case {
    std::string name;
    std::string host;
    std::string part;
  };
  const std::vector<Case> cases = {
      {"run of a with one b at the end", std::string(200000, 'a') + "b", std::string(4095, 'a') + "b"},
      {"b only inside the part", std::string(200000, 'a'),
       std::string(2000, 'a') + "b" + std::string(2000, 'a')},
      {"period one off",
       [] {
         std::string host;
         while (host.size() < 200000)
           host += std::string(999, 'a') + "b";
         return host;
       }(),
       std::string(1000, 'a')},
  };
  SearchTuning tuning;
  tuning.cursor_buffer = 512;
  tuning.check_buffer = 512;
  tuning.part_cache = 0;
  for (const auto& c : cases) {
    MemorySource host(c.host), part(c.part);
    SearchResult result = find_occurrences(host, host.size(), part, part.size(), nullptr, tuning);
    EXPECT_EQ(result.positions, naive_search(c.host, c.part).positions) << c.name;
    EXPECT_LE(host.bytes_read(), 4 * host.size()) << c.name;
    EXPECT_LE(part.bytes_read(),
              4 * part.size() + 2 * static_cast<std::int64_t>(result.positions.size()) * part.size())
        << c.name;
  }
}

TEST(ContainmentSearch, ReportsWhichSourceCouldNotBeRead) {
  struct Case {
    std::string name;
    std::int64_t host_readable;
    std::int64_t part_readable;
    ReadFailure expected;
  };
  const std::vector<Case> cases = {
      {"host cut short", 30000, -1, ReadFailure::host},
      {"part cut short", -1, 2000, ReadFailure::part},
      {"part unreadable", -1, 0, ReadFailure::part},
  };
  std::string part = testing::pattern_bytes(3000, 2);
  std::string host = testing::pattern_bytes(40000, 4) + part;
  for (const auto& c : cases) {
    for (std::size_t cache : {std::size_t{0}, std::size_t{1} << 20}) {
      MemorySource host_source(host, c.host_readable), part_source(part, c.part_readable);
      SearchTuning tuning;
      tuning.cursor_buffer = 4096;
      tuning.part_cache = cache;
      SearchResult result =
          find_occurrences(host_source, host_source.size(), part_source, part_source.size(), nullptr, tuning);
      EXPECT_EQ(result.failure, c.expected) << c.name << ", cache " << cache;
    }
  }
}

TEST(PairFinder, EveryVariantFindsTheFirstPair) {
  std::mt19937_64 rng(99);
  for (int round = 0; round < 2000; ++round) {
    std::size_t count = std::uniform_int_distribution<std::size_t>(0, 200)(rng);
    std::string a = letters(rng, count, 3), b = letters(rng, count, round % 2 ? 3 : 8);
    std::size_t want = count;
    for (std::size_t i = 0; i < count; ++i)
      if (a[i] == 'a' && b[i] == 'c') {
        want = i;
        break;
      }
    testing::for_each_variant(best_pair_finder, [&] {
      auto got = best_pair_finder()(reinterpret_cast<const unsigned char*>(a.data()),
                                    reinterpret_cast<const unsigned char*>(b.data()), count, 'a', 'c');
      EXPECT_EQ(got, want) << "round " << round;
    });
    if (::testing::Test::HasFailure()) break;
  }
}

struct EqualityCase {
  std::string name;
  std::string second;
  std::int64_t difference;
  std::int64_t shown_bytes;
  std::vector<std::int64_t> calls;
};

TEST(EqualityComparison, FindsTheFirstDifferenceAndShowsItsBlock) {
  testing::TempDir dir;
  std::string data = testing::pattern_bytes(10000, 1);
  auto changed = [&](std::size_t at) {
    std::string copy = data;
    copy[at] = static_cast<char>(copy[at] ^ 0x40);
    return copy;
  };
  const std::vector<EqualityCase> cases = {
      {"equal", data, -1, 10000, {0, 4096, 8192}},
      {"first byte", changed(0), 0, 0, {0}},
      {"at 5000", changed(5000), 5000, 4096, {0, 4096}},
      {"last byte of a block", changed(4095), 4095, 0, {0}},
      {"first byte of a block", changed(8192), 8192, 8192, {0, 4096, 8192}},
      {"last byte", changed(9999), 9999, 8192, {0, 4096, 8192}},
  };
  const std::string first_path = dir.write("first", data);
  for (std::size_t buffer : {std::size_t{1}, std::size_t{7}, std::size_t{4096}, std::size_t{1} << 18}) {
    for (const auto& c : cases) {
      const std::string second_path = dir.write("second", c.second);
      auto first = File::open_read(first_path);
      auto second = File::open_read(second_path);
      std::vector<std::int64_t> calls;
      EqualityResult result = compare_equal(
          *first, *second, 10000, [&](std::uint16_t, std::int64_t bytes) { calls.push_back(bytes); }, buffer);
      EXPECT_FALSE(result.fault) << c.name;
      EXPECT_EQ(result.difference, c.difference) << c.name << ", buffer " << buffer;
      EXPECT_EQ(result.shown_bytes, c.shown_bytes) << c.name << ", buffer " << buffer;
      EXPECT_EQ(calls, c.calls) << c.name << ", buffer " << buffer;
    }
  }
}

TEST(EqualityComparison, ReportsWhichFileCouldNotBeRead) {
  testing::TempDir dir;
  std::string data = testing::pattern_bytes(50000, 6);
  const std::string first_path = dir.write("first", data);
  const std::string second_path = dir.write("second", data);
  for (const std::string& path : {first_path, second_path}) {
    for (std::int64_t readable : {0, 20000}) {
      set_fault_plan({path, readable, -1});
      auto first = File::open_read(first_path);
      auto second = File::open_read(second_path);
      EqualityResult result = compare_equal(*first, *second, 50000, nullptr, 4096);
      set_fault_plan({});
      EXPECT_EQ(result.fault.kind, FileFault::read) << path << " " << readable;
      EXPECT_EQ(result.fault.path, path) << path << " " << readable;
      EXPECT_EQ(result.difference, -1) << path << " " << readable;
    }
  }
}

}  // namespace
}  // namespace varnelo
