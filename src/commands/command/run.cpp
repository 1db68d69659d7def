// The command line: the program's options, the language of the run, the help texts, and the
// command that runs.

#include <algorithm>
#include <cstdlib>

#include "command/command.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "io/file.hpp"
#include "io/platform.hpp"

namespace varnelo::command {

namespace {

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
    "  -f, --force     files that exist are replaced (commands that write files); devices such\n"
    "                  as /dev/null are written without it\n"
    "  --lang en|id    messages in English or Indonesian; by default Indonesian when LC_ALL,\n"
    "                  LC_MESSAGES or LANG starts with \"id\"\n"
    "  -h, --help      this help, -V, --version the version: wherever an option may stand, they\n"
    "                  are all that happens\n"
    "  -               as a file name: standard input, or standard output where an output is named\n"
    "                  (refused when that stream was closed as the program started)\n"
    "These options may also come before the command's name: varnelo -q sum FILE.\n"
    "File names are taken as given. An output that is one of the inputs is always refused.\n"
    "Pipes, devices and files such as those of /proc are read as streams, to their end (by\n"
    "compare too, on either side, split --size, and find's HOST, copied first to a temporary\n"
    "file); find's PART, split --pieces and key files need a file whose size is known.\n"
    "The progress display (bar, speed, time left; for a stream the bytes so far and the speed)\n"
    "is drawn on standard error when it is a terminal.\n\n"
    "Exit status: 0 success; 1 a negative answer (files differ, not found, a check failed, text\n"
    "that is not in the notation); 2 trouble (bad usage, a file that cannot be read or written,\n"
    "an output refused).\n",
    "Opsi setiap perintah:\n"
    "  -q, --quiet     tanpa tampilan kemajuan (sum --check: hanya yang gagal didaftar)\n"
    "  -f, --force     berkas yang sudah ada ditimpa (perintah yang menulis berkas); perangkat\n"
    "                  seperti /dev/null ditulis tanpanya\n"
    "  --lang en|id    pesan dalam bahasa Inggris atau Indonesia; bawaannya Indonesia bila LC_ALL,\n"
    "                  LC_MESSAGES atau LANG diawali \"id\"\n"
    "  -h, --help      bantuan ini, -V, --version versinya: di mana pun sebuah opsi boleh berada,\n"
    "                  hanya itu yang terjadi\n"
    "  -               sebagai nama berkas: masukan standar, atau keluaran standar untuk keluaran\n"
    "                  (ditolak bila aliran itu tertutup saat program dimulai)\n"
    "Opsi-opsi ini boleh juga mendahului nama perintah: varnelo -q sum BERKAS.\n"
    "Nama berkas dipakai apa adanya. Keluaran yang sama dengan salah satu masukan selalu ditolak.\n"
    "Pipa, perangkat dan berkas seperti milik /proc dibaca sebagai aliran, sampai akhirnya (oleh\n"
    "compare juga, di kedua sisi, split --size, dan INDUK find, yang lebih dulu disalin ke berkas\n"
    "sementara); BAGIAN find, split --pieces dan berkas kunci memerlukan berkas yang ukurannya\n"
    "diketahui.\n"
    "Tampilan kemajuan (batang, kecepatan, sisa waktu; untuk aliran byte sejauh ini dan\n"
    "kecepatannya) digambar pada galat standar bila itu sebuah terminal.\n\n"
    "Status keluar: 0 berhasil; 1 jawaban negatif (berkas berbeda, tidak ditemukan, cek gagal,\n"
    "teks yang bukan notasinya); 2 masalah (pemakaian salah, berkas tak dapat dibaca atau ditulis,\n"
    "keluaran ditolak).\n"};

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

// Keeps a window of the program's own open until its messages are read.
void wait_for_enter() {
  write_error(pick("Press Enter to close this window.\n", "Tekan Enter untuk menutup jendela ini.\n"));
  File input = File::standard_input();
  for (char c = 0; c != '\n' && c != '\r' && input.read(&c, 1) == 1;) {
  }
}

}  // namespace

void add_common_options(CLI::App& parser, Common& common, bool writes_outputs) {
  parser.add_flag("-q,--quiet", common.quiet);
  if (writes_outputs) parser.add_flag("-f,--force", common.force);
  parser.add_option("--lang", common.language)->check(CLI::IsMember({"en", "id"}));
  parser.add_flag("-h,--help", common.help);
  parser.add_flag("-V,--version", common.version);
}

namespace {

// The arguments as the parser takes them. The options before the command's name move after it,
// where the command's parser takes them: `varnelo -q sum f` is `varnelo sum -q f`, and --lang
// takes its value along. An empty value after "=" stays an empty value (the parser would take
// the next argument instead).
std::vector<std::string> command_name_first(std::vector<std::string> arguments) {
  for (std::size_t k = 0; k < arguments.size() && arguments[k] != "--"; ++k)
    if (arguments[k].size() > 3 && arguments[k].starts_with("--") && arguments[k].back() == '=' &&
        arguments[k].find('=') == arguments[k].size() - 1) {
      arguments[k].pop_back();
      arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(k) + 1, std::string());
      ++k;
    }
  std::size_t name = 0;
  while (name < arguments.size() && arguments[name].size() > 1 && arguments[name][0] == '-' &&
         arguments[name] != "--")
    name += arguments[name] == "--lang" ? 2 : 1;
  if (name == 0 || name >= arguments.size() || arguments[name] == "--") return arguments;
  std::rotate(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(name),
              arguments.begin() + static_cast<std::ptrdiff_t>(name) + 1);
  return arguments;
}

}  // namespace

int run_commands(std::vector<std::string> arguments, std::span<const Listed> listed) {
  CommandConsole progress_console;
  lang = language_of(language_argument(arguments));

  Parser program("varnelo", "varnelo");
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

  arguments = command_name_first(std::move(arguments));
  Common common;
  std::vector<Command> commands;
  // Only the command named is made where one is: making every command's options took as long
  // as the rest of a short run's start.
  const auto named = std::find_if(listed.begin(), listed.end(), [&](const Listed& each) {
    return !arguments.empty() && arguments[0] == each.name;
  });
  for (auto each = listed.begin(); each != listed.end(); ++each)
    if (named == listed.end() || each == named) commands.push_back(each->make(program, common));
  auto parsed = [&]() -> const Command* {
    for (const Command& command : commands)
      if (command.parser->parsed()) return &command;
    return nullptr;
  };

  if (!arguments.empty() && !arguments[0].empty() && arguments[0][0] != '-' &&
      std::none_of(commands.begin(), commands.end(),
                   [&](const Command& command) { return command.parser->get_name() == arguments[0]; })) {
    // A file dropped on the program arrives as its only argument.
    if (path_exists(arguments[0]))
      complain(
          "%s is a file, not a command: varnelo without arguments starts the menus, and "
          "varnelo --help lists the commands",
          "%s adalah berkas, bukan perintah: varnelo tanpa argumen memulai menu-menu, dan "
          "varnelo --help mendaftar perintah-perintahnya",
          quote(arguments[0]).c_str());
    else
      complain("unknown command %s", "perintah %s tidak dikenal", quote(arguments[0]).c_str());
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
  // Asked for anywhere an option may stand, help and the version are all that happens.
  if (version || common.version) {
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
  } else if (common.help || help) {
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
  const bool flushed = flush_results();
  if (output_closed()) return closed_pipe_status;
  if (gave_a_message() && platform::console_of_its_own()) wait_for_enter();
  return flushed ? status : trouble;
}

}  // namespace varnelo::command
