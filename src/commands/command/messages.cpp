#include "command/messages.hpp"

#include <algorithm>
#include <cstdarg>

#include "command/results.hpp"
#include "io/file.hpp"
#include "shell/display.hpp"

namespace varnelo::command {

void write_error(const std::string& text) {
  // Messages go out as they are, line feeds and all, as the results do.
  static File stream = File::standard_error();
  stream.write(text.data(), text.size());
}

void complain(const char* english, const char* indonesian, ...) {
  flush_results();
  const char* chosen = pick(english, indonesian);
  if (!chosen) return;
  va_list args;
  va_start(args, indonesian);
  // Paths run to thousands of characters; the message takes whatever room it needs.
  const std::string text = vformat(chosen, args);
  va_end(args);
  write_error("varnelo: " + text + "\n");
}

std::string quote(const std::string& path) {
  if (path == "-") return "-";
  return "'" + shown(path) + "'";
}

std::optional<std::uint64_t> whole_number(const std::string& option, const std::string& text,
                                          std::uint64_t low, std::uint64_t high) {
  // Nineteen digits always fit 64 bits; more are out of every range asked for here.
  bool digits = !text.empty() && text.size() <= 19 &&
                std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  const std::uint64_t value = digits ? std::stoull(text) : 0;
  if (digits && value >= low && value <= high) return value;
  complain("%s takes a whole number from %llu to %llu, not '%s'",
           "%s memerlukan bilangan bulat %llu sampai %llu, bukan '%s'", option.c_str(),
           static_cast<unsigned long long>(low), static_cast<unsigned long long>(high), text.c_str());
  return std::nullopt;
}

void report_read_failure(const std::string& path) {
  complain("read error on %s", "gagal membaca %s", quote(path).c_str());
}

void report_write_failure(const std::string& path) {
  complain("write error on %s", "gagal menulis ke %s", quote(path).c_str());
}

}  // namespace varnelo::command
