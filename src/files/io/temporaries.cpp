#include "io/temporaries.hpp"

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <vector>

namespace varnelo {

namespace {

// A split writes at most 999 pieces, each with a temporary file and, while it commits, a copy
// of the piece it replaces; a few more for any other output of the run.
constexpr std::size_t slot_count = 2048;

// A temporary file as the handler removes it: in its folder, or by its whole path.
struct Noted {
  platform::Place place;
  std::string path;
};

// The handler reads the slots only: each holds a temporary file or nothing, and one, once noted,
// stays in memory until the program ends, so the handler never meets one being freed.
std::atomic<const Noted*> slots[slot_count];
std::vector<std::unique_ptr<Noted>>& kept() {
  static std::vector<std::unique_ptr<Noted>> all;
  return all;
}

}  // namespace

void note_temporary(const platform::Place& place) {
  for (auto& slot : slots) {
    if (slot.load() != nullptr) continue;
    auto noted = std::make_unique<Noted>(Noted{place, place.path()});
    slot.store(noted.get());
    kept().push_back(std::move(noted));
    return;
  }
}

void forget_temporary(const platform::Place& place) {
  for (auto& slot : slots) {
    const Noted* noted = slot.load();
    if (noted != nullptr && noted->place.folder == place.folder && noted->path == place.path()) {
      slot.store(nullptr);
      return;
    }
  }
}

std::string temporary_name(std::string_view target) {
  static const std::string marker = ".varnelo-partial-";
  static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937_64 random(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  // The longest name a file system takes; a name too long to take the ending gives the
  // folder's own, shorter one.
  constexpr std::size_t longest_name = 255;
  std::string name = (target.size() + marker.size() + 6 <= longest_name ? std::string(target) : "") + marker;
  for (int k = 0; k < 6; ++k)
    name += digits[random() % (sizeof digits - 1)];
  return name;
}

void remove_noted_temporaries() {
  for (auto& slot : slots)
    if (const Noted* noted = slot.exchange(nullptr))
      platform::remove_now(noted->place.folder, noted->place.name.c_str(), noted->path.c_str());
}

}  // namespace varnelo
