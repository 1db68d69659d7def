#include "shell/command_line.hpp"

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "io/block_pump.hpp"
#include "shell/commands.hpp"
#include "shell/console_port.hpp"
#include "shell/progress.hpp"

namespace varnelo::command {

namespace {

// Standard error that is no terminal gets no display at all; the clock still runs.
class SilentConsole : public ConsolePort {
 public:
  int next_byte() override { return -1; }
  void write(std::string_view) override {}
  void set_attribute(std::uint16_t) override {}
  void resize(std::uint16_t, std::uint16_t) override {}
  void clear() override {}
  std::string clipboard_text() override { return {}; }
  bool set_clipboard_text(std::string_view) override { return false; }
  double milliseconds() override {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

bool progress_possible = false;

struct Results {
  File stream = File::standard_output();
  std::string waiting;
  bool at_terminal = standard_output_is_terminal();
  bool failed = false;
};

Results& results() {
  static Results state;
  return state;
}

// The language of the messages: --lang when given, otherwise the first of LC_ALL, LC_MESSAGES
// and LANG that is set, as the C library chooses; Indonesian when that starts with "id".
std::uint16_t language_of(const std::string& chosen) {
  if (!chosen.empty()) return chosen == "id" ? 1 : 0;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return std::string_view(value).substr(0, 2) == "id" ? 1 : 0;
  }
  return 0;
}

// --lang as it stands in the arguments, so that even a line that cannot be parsed is answered
// in the language asked for.
std::string language_argument(const std::vector<std::string>& arguments) {
  std::string found;
  for (std::size_t k = 0; k < arguments.size(); ++k) {
    if (arguments[k] == "--") break;
    if (arguments[k] == "--lang" && k + 1 < arguments.size()) found = arguments[k + 1];
    if (arguments[k].rfind("--lang=", 0) == 0) found = arguments[k].substr(7);
  }
  return found == "en" || found == "id" ? found : std::string();
}

void print_text(const Both& text) {
  const char* chosen = pick(text.english, text.indonesian);
  print(chosen ? chosen : "");
}

const Both program_usage = {
    "varnelo                  the menus\n"
    "varnelo COMMAND ...      one job, for scripts (varnelo --help lists them)\n"
    "varnelo --help | -h\n"
    "varnelo --version | -V\n",
    "varnelo                  menu-menu\n"
    "varnelo PERINTAH ...     satu pekerjaan, untuk skrip (varnelo --help mendaftarnya)\n"
    "varnelo --help | -h\n"
    "varnelo --version | -V\n"};

const Both program_help_head = {
    "Varnelo " VARNELO_VERSION
    " splits, joins, compares, checksums, encrypts and encodes whole files of any size.\n"
    "Started without arguments it shows its menus; given a command it does that one job and\n"
    "ends, for scripts.\n\n"
    "  varnelo                 the menus\n"
    "  varnelo --help | -h     this text; varnelo COMMAND --help shows one command\n"
    "  varnelo --version | -V  the version\n\n",
    "Varnelo " VARNELO_VERSION
    " memotong, menggabung, membandingkan, menghitung ceksum, mengenkripsi dan\n"
    "menyandikan berkas utuh sebesar apa pun. Tanpa argumen ia menampilkan menu-menunya; dengan\n"
    "sebuah perintah ia mengerjakan satu pekerjaan itu lalu selesai, untuk skrip.\n\n"
    "  varnelo                 menu-menu\n"
    "  varnelo --help | -h     teks ini; varnelo PERINTAH --help menampilkan satu perintah\n"
    "  varnelo --version | -V  versinya\n\n"};

const Both program_help_tail = {
    "Options of every command:\n"
    "  -q, --quiet     no progress display (sum --check: only the failures are listed)\n"
    "  -f, --force     outputs that exist are replaced (commands that write files)\n"
    "  --lang en|id    messages in English or Indonesian; by default Indonesian when LC_ALL,\n"
    "                  LC_MESSAGES or LANG starts with \"id\"\n"
    "  -               as a file name: standard input, or standard output where an output is named\n"
    "File names are taken as given. An output that is one of the inputs is always refused.\n"
    "The progress display (bar, speed, time left) is drawn on standard error when it is a\n"
    "terminal.\n\n"
    "Exit status: 0 success; 1 a negative answer (files differ, not found, a check failed);\n"
    "2 trouble (bad usage, a file that cannot be read or written, an output refused).\n",
    "Opsi setiap perintah:\n"
    "  -q, --quiet     tanpa tampilan kemajuan (sum --check: hanya yang gagal didaftar)\n"
    "  -f, --force     keluaran yang sudah ada ditimpa (perintah yang menulis berkas)\n"
    "  --lang en|id    pesan dalam bahasa Inggris atau Indonesia; bawaannya Indonesia bila LC_ALL,\n"
    "                  LC_MESSAGES atau LANG diawali \"id\"\n"
    "  -               sebagai nama berkas: masukan standar, atau keluaran standar untuk keluaran\n"
    "Nama berkas dipakai apa adanya. Keluaran yang sama dengan salah satu masukan selalu ditolak.\n"
    "Tampilan kemajuan (batang, kecepatan, sisa waktu) digambar pada galat standar bila itu\n"
    "sebuah terminal.\n\n"
    "Status keluar: 0 berhasil; 1 jawaban negatif (berkas berbeda, tidak ditemukan, cek gagal);\n"
    "2 masalah (pemakaian salah, berkas tak dapat dibaca atau ditulis, keluaran ditolak).\n"};

// Messages go out as they are, line feeds and all, as the results do.
void write_error(const std::string& text) {
  static File stream = File::standard_error();
  stream.write(text.data(), text.size());
}

void print_usage_of(const Command& command) {
  const char* usage = pick(command.usage.english, command.usage.indonesian);
  const char* lead = pick("usage: ", "pemakaian: ");
  std::string_view lines = usage ? usage : "";
  // The first line after the lead, the others under it.
  std::string text;
  for (bool first = true; !lines.empty(); first = false) {
    const std::size_t end = lines.find('\n');
    text += first ? lead : std::string(std::string_view(lead).size(), ' ');
    text += lines.substr(0, end == std::string_view::npos ? lines.size() : end + 1);
    lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
  }
  write_error(text);
}

void print_help(const Command& command) {
  const char* usage = pick(command.usage.english, command.usage.indonesian);
  std::string_view lines = usage ? usage : "";
  while (!lines.empty()) {
    const std::size_t end = lines.find('\n');
    print("  ");
    print(lines.substr(0, end == std::string_view::npos ? lines.size() : end + 1));
    lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
  }
  print_text(command.help);
}

}  // namespace

void add_common_options(CLI::App& parser, Common& common, bool writes_outputs) {
  parser.add_flag("-q,--quiet", common.quiet);
  if (writes_outputs) parser.add_flag("-f,--force", common.force);
  parser.add_option("--lang", common.language)->check(CLI::IsMember({"en", "id"}));
  parser.add_flag("-h,--help", common.help);
}

void complain(const char* english, const char* indonesian, ...) {
  flush_results();
  const char* chosen = pick(english, indonesian);
  if (!chosen) return;
  va_list args, measure;
  va_start(args, indonesian);
  va_copy(measure, args);
  // Paths run to thousands of characters; the message takes whatever room it needs.
  const int size = std::vsnprintf(nullptr, 0, chosen, measure);
  va_end(measure);
  std::string text(static_cast<std::size_t>(std::max(size, 0)) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), chosen, args);
  va_end(args);
  text.back() = '\n';
  write_error("varnelo: " + text);
}

std::string shown(const std::string& path) {
  if (path == "-") return "-";
  return "'" + path + "'";
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

bool print(std::string_view text) {
  Results& state = results();
  state.waiting += text;
  if (state.at_terminal || state.waiting.size() >= std::size_t{1} << 16) return flush_results();
  return !state.failed;
}

bool flush_results() {
  Results& state = results();
  if (state.failed) return false;
  if (!state.waiting.empty() && !state.stream.write(state.waiting.data(), state.waiting.size())) {
    state.failed = true;
    state.waiting.clear();
    complain("write error on standard output", "gagal menulis ke keluaran standar");
    return false;
  }
  state.waiting.clear();
  return true;
}

Progress::Progress(const Common& common, const Both& label, bool size_known)
    : drawing_(progress_possible && !common.quiet && size_known), start_time_(now()) {
  const char* chosen = pick(label.english, label.indonesian);
  label_ = chosen ? chosen : "";
}

Progress::~Progress() {
  if (!drawn_) return;
  console().clear();
  console().flush();
}

std::function<void(std::uint16_t, std::int64_t)> Progress::display() {
  if (!drawing_) return {};
  return [this](std::uint16_t percent, std::int64_t bytes) {
    // Its first and last calls are left out, and so is the first second: a display that came
    // and went at once would only flicker.
    if (percent == 0 || percent >= 100 || now() - start_time_ < 1000) return;
    if (!drawn_) flush_results();
    drawn_ = true;
    progress_bar(start_time_, percent, bytes, label_);
  };
}

std::optional<File> open_input(const std::string& path) {
  if (path == "-") return File::standard_input();
  std::optional<File> file = File::open_read(path);
  if (!file) complain("cannot open %s", "tidak dapat membuka %s", shown(path).c_str());
  return file;
}

std::optional<std::int64_t> input_size(File& file) {
  if (file.path() == "-") return BlockPump::to_the_end;
  std::int64_t size = file.measure_size();
  if (size >= 0) return size;
  report_read_failure(file.path());
  return std::nullopt;
}

bool Destination::commit() {
  if (!output_ || output_->commit()) return true;
  report_write_failure(output_->path());
  return false;
}

bool admit_output(const std::string& path, const std::vector<FileIdentity>& avoid, bool force) {
  if (path == "-") {
    std::optional<FileIdentity> out = File::standard_output().identity();
    if (out && std::find(avoid.begin(), avoid.end(), *out) != avoid.end()) {
      complain("standard output is one of the inputs", "keluaran standar adalah salah satu masukan");
      return false;
    }
    return true;
  }
  // Writing would destroy an input before it is read; --force does not change that.
  if (names_one_of(path, avoid)) {
    complain("%s is an input and cannot be the output", "%s adalah masukan dan tidak dapat menjadi keluaran",
             shown(path).c_str());
    return false;
  }
  // Writing into its own input would feed the program what it writes; "-" is the way to standard output.
  if (names_a_standard_stream(path)) {
    complain("%s is one of the program's own standard streams; - writes to standard output",
             "%s adalah salah satu aliran standar program ini; - menulis ke keluaran standar",
             shown(path).c_str());
    return false;
  }
  if (!force && path_exists(path)) {
    complain("%s exists; --force replaces it", "%s sudah ada; --force menimpanya", shown(path).c_str());
    return false;
  }
  return true;
}

std::optional<Destination> open_destination(const std::string& path, const std::vector<FileIdentity>& avoid,
                                            bool force) {
  if (!admit_output(path, avoid, force)) return std::nullopt;
  if (path == "-") return Destination(File::standard_output());
  std::optional<Output> output = Output::open(path);
  if (!output) {
    complain("cannot write %s", "tidak dapat menulis %s", shown(path).c_str());
    return std::nullopt;
  }
  return Destination(std::move(*output));
}

void report_read_failure(const std::string& path) {
  complain("read error on %s", "gagal membaca %s", shown(path).c_str());
}

void report_write_failure(const std::string& path) {
  complain("write error on %s", "gagal menulis ke %s", shown(path).c_str());
}

int run_commands(std::vector<std::string> arguments) {
  std::unique_ptr<ConsolePort> port = make_progress_console();
  progress_possible = port != nullptr;
  if (!port) port = std::make_unique<SilentConsole>();
  ConsoleScope scope(*port);
  lang = language_of(language_argument(arguments));

  CLI::App program("varnelo", "varnelo");
  program.set_help_flag();
  // A path such as /tmp/x is a path, on Windows too.
  program.allow_windows_style_options(false);
  program.require_subcommand(0, 1);
  bool help = false;
  bool version = false;
  std::string language;
  program.add_flag("-h,--help", help);
  program.add_flag("-V,--version", version);
  program.add_option("--lang", language)->check(CLI::IsMember({"en", "id"}));

  Common common;
  const std::vector<Command> commands = {
      sum_command(program, common),     split_command(program, common),  join_command(program, common),
      compare_command(program, common), find_command(program, common),   encrypt_command(program, common),
      decrypt_command(program, common), encode_command(program, common), decode_command(program, common),
  };
  auto parsed = [&]() -> const Command* {
    for (const Command& command : commands)
      if (command.parser->parsed()) return &command;
    return nullptr;
  };

  if (!arguments.empty() && !arguments[0].empty() && arguments[0][0] != '-' &&
      std::none_of(commands.begin(), commands.end(),
                   [&](const Command& command) { return command.parser->get_name() == arguments[0]; })) {
    complain("unknown command '%s'", "perintah '%s' tidak dikenal", arguments[0].c_str());
    print_usage_of({nullptr, program_usage, {}, {}});
    return trouble;
  }
  std::reverse(arguments.begin(), arguments.end());
  try {
    program.parse(arguments);
  } catch (const CLI::ParseError& error) {
    const Command* command = parsed();
    complain("%s%s%s", "%s%s%s", command ? command->parser->get_name().c_str() : "", command ? ": " : "",
             error.what());
    print_usage_of(command ? *command : Command{nullptr, program_usage, {}, {}});
    return trouble;
  }
  if (!language.empty()) lang = language_of(language);
  if (!common.language.empty()) lang = language_of(common.language);

  const Command* command = parsed();
  int status = success;
  if (version) {
    print("varnelo " VARNELO_VERSION "\n");
  } else if (!command && help) {
    print_text(program_help_head);
    for (const Command& each : commands)
      print_help(each);
    print("\n");
    print_text(program_help_tail);
  } else if (!command) {
    print_usage_of({nullptr, program_usage, {}, {}});
    status = trouble;
  } else if (common.help) {
    print_help(*command);
    print("\n");
    print_text(program_help_tail);
  } else {
    status = command->run();
    if (status == bad_usage) {
      print_usage_of(*command);
      status = trouble;
    }
  }
  return flush_results() ? status : trouble;
}

}  // namespace varnelo::command
