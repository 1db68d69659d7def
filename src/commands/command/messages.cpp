#include "command/messages.hpp"

#include <algorithm>
#include <cstdarg>

#include "command/results.hpp"
#include "io/file.hpp"
#include "shell/display.hpp"

namespace varnelo::command {

namespace {

bool error_failed = false;
bool output_is_closed = false;
bool any_message = false;
bool silenced = false;

}  // namespace

void write_error(const std::string& text) {
  // Messages go out as they are, line feeds and all, as the results do.
  static File stream = File::standard_error();
  if (!error_failed && !output_is_closed) error_failed = !stream.write(text.data(), text.size());
}

bool output_closed() {
  return output_is_closed;
}

void note_output_closed() {
  output_is_closed = true;
}

void silence_messages() {
  silenced = true;
}

void complain(const char* english, const char* indonesian, ...) {
  if (silenced) return;
  flush_results();
  const char* chosen = pick(english, indonesian);
  if (!chosen) return;
  va_list args;
  va_start(args, indonesian);
  // Paths run to thousands of characters; the message takes whatever room it needs.
  const std::string text = vformat(chosen, args);
  va_end(args);
  write_error("varnelo: " + text + "\n");
  any_message = true;
}

bool gave_a_message() {
  return any_message;
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

namespace {

// ": " and the system's words, when it gave any.
std::string because(const SystemError& reason) {
  return reason ? ": " + reason.text() : std::string();
}

}  // namespace

void complain(const FileFault& fault) {
  const std::string path = quote(fault.path), reason = because(fault.reason);
  switch (fault.kind) {
    case FileFault::open:
      return complain("cannot open %s%s", "tidak dapat membuka %s%s", path.c_str(), reason.c_str());
    case FileFault::read:
      return complain("read error on %s%s", "gagal membaca %s%s", path.c_str(), reason.c_str());
    case FileFault::write:
      if (fault.path == "-" && fault.reason.closed_pipe()) return note_output_closed();
      return complain("write error on %s%s", "gagal menulis ke %s%s", path.c_str(), reason.c_str());
    case FileFault::closed_stream:
      return complain("- names standard input, which was closed when varnelo started",
                      "- menunjuk masukan standar, yang tertutup saat varnelo dimulai");
    case FileFault::none:
      return;
  }
}

void complain(const Refusal& refusal) {
  const std::string path = quote(refusal.path);
  switch (refusal.kind) {
    case Refusal::input:
      // Writing would destroy an input before it is read; --force does not change that.
      if (refusal.path == "-")
        return complain("standard output is one of the inputs", "keluaran standar adalah salah satu masukan");
      return complain("%s is an input and cannot be the output",
                      "%s adalah masukan dan tidak dapat menjadi keluaran", path.c_str());
    case Refusal::standard_stream:
      return complain("%s is one of the program's own standard streams; - writes to standard output",
                      "%s adalah salah satu aliran standar program ini; - menulis ke keluaran standar",
                      path.c_str());
    case Refusal::twice:
      return complain("%s and %s are one file", "%s dan %s adalah satu berkas",
                      quote(refusal.earlier).c_str(), path.c_str());
    case Refusal::exists:
    case Refusal::declined:
      return complain("%s exists; --force replaces it", "%s sudah ada; --force menimpanya", path.c_str());
    case Refusal::too_long:
    case Refusal::unwritable:
      return complain("cannot write %s%s", "tidak dapat menulis %s%s", path.c_str(),
                      because(refusal.reason).c_str());
    case Refusal::closed_stream:
      return complain("- names standard output, which was closed when varnelo started",
                      "- menunjuk keluaran standar, yang tertutup saat varnelo dimulai");
    case Refusal::none:
      return;
  }
}

}  // namespace varnelo::command
