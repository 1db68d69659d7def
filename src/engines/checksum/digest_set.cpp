#include "checksum/digest_set.hpp"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

#include "checksum/block_hash.hpp"
#include "checksum/checksum64.hpp"
#include "support/threads.hpp"

namespace varnelo {

namespace {

// Below this many bytes an update costs less than waking another thread for it.
constexpr std::size_t shared_update = std::size_t{64} << 10;

// Roughly how long each algorithm takes per byte, slowest first: the crew takes the slow ones
// first, so the last to be taken are the quick ones and the threads end nearly together.
constexpr Algorithm slowest_first[algorithm_count] = {
    Algorithm::ripemd160, Algorithm::md5,    Algorithm::sha512, Algorithm::sha384,
    Algorithm::sha256,    Algorithm::sha224, Algorithm::sha1,   Algorithm::checksum64};

}  // namespace

std::size_t hex_length(Algorithm algorithm) {
  if (algorithm == Algorithm::checksum64) return 16;
  return 2 * BlockHash::digest_size_of(static_cast<HashKind>(algorithm));
}

// One algorithm's running state.
struct DigestSet::Engine {
  explicit Engine(Algorithm chosen) : algorithm(chosen) { start(); }

  void start() {
    if (algorithm == Algorithm::checksum64)
      sum = Checksum64();
    else
      hash.emplace(static_cast<HashKind>(algorithm));
  }
  void update(const std::uint8_t* data, std::size_t size) {
    if (hash)
      hash->update(data, size);
    else
      sum.update(data, size);
  }
  std::string finish() {
    std::string digits;
    if (hash) {
      digits = hex_digits(hash->finish());
    } else {
      char text[17];
      std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(sum.value()));
      digits = text;
    }
    start();
    return digits;
  }

  Algorithm algorithm;
  std::optional<BlockHash> hash;
  Checksum64 sum;
};

// Threads that share the engines of each large update: every thread takes the next engine not
// taken yet until none is left, and the update ends when every engine has had the bytes.
struct DigestSet::Crew {
  explicit Crew(std::vector<Engine*> order) : engines(std::move(order)) {}

  ~Crew() { stop_threads(threads, mutex, stop, wake); }

  void hire(unsigned count) {
    // Fewer threads only means the caller takes more of the engines itself.
    start_threads(threads, count, [this] { serve(); });
  }

  void serve() {
    std::uint64_t seen = 0;
    for (;;) {
      const std::uint8_t* bytes;
      std::size_t count;
      {
        std::unique_lock lock(mutex);
        wake.wait(lock, [&] { return stop || round != seen; });
        if (stop) return;
        seen = round;
        bytes = data;
        count = size;
        ++busy;
      }
      take_engines(bytes, count);
      std::lock_guard lock(mutex);
      if (--busy == 0) done.notify_all();
    }
  }

  void take_engines(const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t k; (k = next.fetch_add(1)) < engines.size();)
      engines[k]->update(bytes, count);
  }

  // The caller's side: hands the bytes out, takes engines itself, and returns once no thread
  // is still at work on them.
  void update(const std::uint8_t* bytes, std::size_t count) {
    {
      // A thread that woke after the last round ended holds the old bytes: it must find nothing
      // left to take before the count starts again.
      std::unique_lock lock(mutex);
      done.wait(lock, [&] { return busy == 0; });
      data = bytes;
      size = count;
      next = 0;
      ++round;
    }
    wake.notify_all();
    take_engines(bytes, count);
    // Every engine has been taken once `next` ran past them; a thread that took one is busy
    // until it is through, and one that woke late finds nothing left.
    std::unique_lock lock(mutex);
    done.wait(lock, [&] { return busy == 0; });
  }

  std::vector<Engine*> engines;
  std::vector<std::thread> threads;
  std::mutex mutex;
  std::condition_variable wake, done;
  std::uint64_t round = 0;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::atomic<std::size_t> next{0};
  unsigned busy = 0;
  bool stop = false;
};

DigestSet::DigestSet(std::vector<Algorithm> algorithms, unsigned threads) {
  for (Algorithm algorithm : algorithms)
    engines_.push_back(std::make_unique<Engine>(algorithm));
  // Asked of the system once: the answer costs a few system calls, and files come by thousands.
  static const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  if (threads == 0) threads = cores;
  threads_ = std::min<unsigned>(threads, static_cast<unsigned>(engines_.size()));
}

DigestSet::~DigestSet() = default;

void DigestSet::update(const std::uint8_t* data, std::size_t size) {
  if (threads_ <= 1 || size < shared_update) {
    for (auto& engine : engines_)
      engine->update(data, size);
    return;
  }
  // The threads start with the first large update, so short files never pay for them.
  if (!crew_) {
    std::vector<Engine*> order;
    for (Algorithm algorithm : slowest_first)
      for (auto& engine : engines_)
        if (engine->algorithm == algorithm) order.push_back(engine.get());
    crew_ = std::make_unique<Crew>(std::move(order));
    crew_->hire(threads_ - 1);
  }
  crew_->update(data, size);
}

bool DigestSet::pairs_well(const std::vector<Algorithm>& algorithms) {
  return algorithms.size() == 1 && algorithms[0] != Algorithm::checksum64 &&
         BlockHash::pairs_well(static_cast<HashKind>(algorithms[0]));
}

void DigestSet::update_two(DigestSet& a, const std::uint8_t* data_a, std::size_t size_a, DigestSet& b,
                           const std::uint8_t* data_b, std::size_t size_b) {
  if (a.engines_.size() == 1 && b.engines_.size() == 1 && a.engines_[0]->hash && b.engines_[0]->hash) {
    BlockHash::update_two(*a.engines_[0]->hash, data_a, size_a, *b.engines_[0]->hash, data_b, size_b);
    return;
  }
  a.update(data_a, size_a);
  b.update(data_b, size_b);
}

std::vector<std::string> DigestSet::finish() {
  std::vector<std::string> digests;
  for (auto& engine : engines_)
    digests.push_back(engine->finish());
  return digests;
}

}  // namespace varnelo
