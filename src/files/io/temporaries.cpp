#include "io/temporaries.hpp"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "io/platform.hpp"

namespace varnelo {

namespace {

// A split writes at most 999 pieces; one more for any other output of the run.
constexpr std::size_t slot_count = 1024;

// The handler reads the slots only: each holds a name or nothing, and a name, once noted, stays
// in memory until the program ends, so the handler never meets a name being freed.
std::atomic<const char*> slots[slot_count];
std::vector<std::unique_ptr<char[]>>& names() {
  static std::vector<std::unique_ptr<char[]>> kept;
  return kept;
}

}  // namespace

void note_temporary(const std::string& path) {
  for (auto& slot : slots) {
    if (slot.load() != nullptr) continue;
    auto name = std::make_unique<char[]>(path.size() + 1);
    std::memcpy(name.get(), path.c_str(), path.size() + 1);
    slot.store(name.get());
    names().push_back(std::move(name));
    return;
  }
}

void forget_temporary(const std::string& path) {
  for (auto& slot : slots) {
    const char* name = slot.load();
    if (name != nullptr && path == name) {
      slot.store(nullptr);
      return;
    }
  }
}

std::string temporary_candidate(const std::string& target, std::string_view separators) {
  const std::size_t cut = target.find_last_of(separators);
  const std::size_t name_start = cut == std::string::npos ? 0 : cut + 1;
  if (name_start == target.size()) return {};
  const std::string folder = target.substr(0, name_start), name = target.substr(name_start);
  static const std::string marker = ".varnelo-partial-";
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 random(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  // A name too long to take the ending gives the folder's own, shorter one.
  constexpr std::size_t longest_name = 255;
  std::string candidate = folder + (name.size() + marker.size() + 6 <= longest_name ? name : "") + marker;
  for (int k = 0; k < 6; ++k)
    candidate += digits[random() % (sizeof digits - 1)];
  return candidate;
}

void remove_noted_temporaries() {
  for (auto& slot : slots)
    if (const char* name = slot.exchange(nullptr)) platform::remove_now(name);
}

}  // namespace varnelo
