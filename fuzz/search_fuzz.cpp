// The two compare engines on fuzzed files, checked against the rules taken literally: the
// containment search against a scan that tries every start from the left and skips past each
// occurrence, the equality comparison against the first mismatching byte. Tiny buffers make
// every window, candidate and occurrence cross buffer ends; a source cut short must be
// reported, never turned into a result.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "compare/jobs.hpp"
#include "compare/search.hpp"
#include "fuzz/scratch.hpp"
#include "support/cpu_features.hpp"
#include "tests/compare/naive_search.hpp"

using namespace varnelo;

namespace {

class MemorySource : public ByteSource {
 public:
  MemorySource(const std::string& bytes, std::int64_t readable) : bytes_(bytes), readable_(readable) {}
  bool read_at(std::int64_t offset, unsigned char* buffer, std::size_t count) override {
    if (offset < 0 || offset + static_cast<std::int64_t>(count) > readable_) return false;
    std::memcpy(buffer, bytes_.data() + offset, count);
    return true;
  }

 private:
  const std::string& bytes_;
  std::int64_t readable_;
};

using reference::naive_search;

void write_file(const std::string& name, const std::string& bytes) {
  std::ofstream(fuzzing::scratch_path(name), std::ios::binary | std::ios::trunc) << bytes;
}

// Reads the fuzz input front to back; runs out into zeros.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  unsigned byte() { return at_ < size_ ? data_[at_++] : 0; }
  unsigned word() { return byte() | byte() << 8; }
  std::string rest() {
    std::string bytes(reinterpret_cast<const char*>(data_ + at_), size_ - at_);
    at_ = size_;
    return bytes;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void check_containment(Reader& in) {
  SearchTuning tuning;
  tuning.cursor_buffer = 1 + in.byte() % 64;
  tuning.check_buffer = 1 + in.byte() % 64;
  unsigned cache = in.byte();
  tuning.part_cache = cache & 1 ? 0 : cache % 128;
  tuning.prefix = 1 + in.byte() % 48;
  unsigned flags = in.byte();
  // Base 1 makes the window hash a plain byte sum, so false hash hits abound.
  tuning.hash_base = flags & 1 ? 1 : 12345;
  // Masking every feature off makes the search take the portable pair scan.
  CpuFeaturesOverride scan(flags & 2 ? CpuFeatures{} : every_cpu_feature);
  unsigned alphabet = 1 + (flags >> 4) % 4;  // small alphabets give many near misses
  unsigned repeat = 1 + in.byte() % 8;       // long hosts from short inputs
  unsigned part_length = in.word();
  unsigned cut = in.word();

  std::string bytes = in.rest();
  if (bytes.empty()) return;
  if (alphabet < 4)
    for (char& c : bytes)
      c = static_cast<char>('a' + static_cast<unsigned char>(c) % (alphabet + 1));
  std::size_t m = 1 + part_length % bytes.size();
  std::string part = bytes.substr(0, m);
  std::string host;
  for (unsigned i = 0; i < repeat; ++i)
    host += bytes;
  // The literal scan costs host size times part size; keep one run in milliseconds.
  if (host.size() * part.size() > (std::size_t{1} << 23)) host.resize((std::size_t{1} << 23) / part.size());
  if (host.size() < part.size()) return;

  const auto n = static_cast<std::int64_t>(host.size());
  const auto m64 = static_cast<std::int64_t>(m);
  // A source may deliver fewer bytes than its size, as a file shrinking during the run does.
  std::int64_t host_readable = flags & 0x40 ? static_cast<std::int64_t>(cut) % n : n;
  std::int64_t part_readable = flags & 0x80 ? static_cast<std::int64_t>(cut) % m64 : m64;

  MemorySource host_source(host, host_readable), part_source(part, part_readable);
  std::vector<std::int64_t> steps;
  SearchResult got = find_occurrences(
      host_source, n, part_source, m64, [&](std::int64_t step) { steps.push_back(step); }, tuning);
  if (got.failure == ReadFailure::host && host_readable == n) std::abort();
  if (got.failure == ReadFailure::part && part_readable == m64) std::abort();
  if (got.failure != ReadFailure::none) return;
  reference::Outcome want = naive_search(host, part);
  if (got.positions != want.positions || got.scan_end != want.scan_end ||
      got.rest_unsearched != want.rest_unsearched || steps != want.steps)
    std::abort();
}

void check_equality(Reader& in) {
  std::size_t buffer = 1 + in.byte() % 64;
  unsigned flags = in.byte();
  unsigned cut = in.word();
  std::string first = in.rest();
  if (first.empty()) return;
  // The second file is the first with its tail taken from its own reversed bytes, so
  // differences land anywhere (or nowhere).
  std::string second = first;
  std::size_t from = cut % (first.size() + 1);
  std::reverse(second.begin() + static_cast<std::ptrdiff_t>(from), second.end());
  const auto size = static_cast<std::int64_t>(first.size());
  // One file may be cut short on disk while the comparison still counts on its whole size.
  const std::size_t readable = flags & 1 ? cut % first.size() : first.size();
  write_file("first", flags & 2 ? first.substr(0, readable) : first);
  write_file("second", flags & 2 ? second : second.substr(0, readable));
  std::optional<File> a = File::open_read(fuzzing::scratch_path("first"));
  std::optional<File> b = File::open_read(fuzzing::scratch_path("second"));
  std::vector<std::int64_t> calls;
  EqualityResult got = compare_equal(
      *a, *b, size, [&](std::uint16_t, std::int64_t bytes) { calls.push_back(bytes); }, buffer);
  auto mismatch = std::mismatch(first.begin(), first.end(), second.begin());
  std::int64_t difference = mismatch.first == first.end() ? -1 : mismatch.first - first.begin();
  if (got.fault) {
    // Only a file cut short before the first difference fails.
    if (readable == first.size() ||
        (difference >= 0 && static_cast<std::int64_t>(readable) > difference + 4096))
      std::abort();
    return;
  }
  // A file cut short counts only when the difference came before the cut.
  if (difference < 0 ? readable < first.size() : static_cast<std::int64_t>(readable) <= difference)
    std::abort();
  std::int64_t shown = difference < 0 ? size : difference / progress_step * progress_step;
  // The display of a loop over 4096-byte blocks up to the one with the difference.
  std::vector<std::int64_t> want;
  std::int64_t percent = 0;
  for (std::int64_t step = 0; step < (difference < 0 ? size : difference + 1); step += progress_step) {
    bool rose = step * 100 / size > percent;
    if (rose) ++percent;
    if (rose || step == 0) want.push_back(step);
  }
  if (got.difference != difference || got.shown_bytes != shown || calls != want) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Reader in(data + 1, size - 1);
  if (data[0] & 1)
    check_equality(in);
  else
    check_containment(in);
  return 0;
}
