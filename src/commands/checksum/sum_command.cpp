// The sum command: checksums of files in the forms sha256sum and its siblings print and read.

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "checksum/jobs.hpp"
#include "checksum/sum_lines.hpp"
#include "command/command.hpp"
#include "command/files.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "io/block_pump.hpp"
#include "io/file.hpp"
#include "io/folder_walk.hpp"
#include "io/input.hpp"
#include "io/platform.hpp"
#include "shell/console_port.hpp"
#include "shell/display.hpp"
#include "shell/labels.hpp"
#include "support/ordered_work.hpp"

namespace varnelo::command {

namespace {

// How much a check tells, as the last of --quiet, --status and --warn given says.
enum class Telling { all, failures, nothing, warnings };

struct SumOptions {
  std::array<bool, algorithm_count> chosen = {};
  bool all = false;
  bool tag = false;
  bool check = false;
  Telling telling = Telling::all;
  bool strict = false;
  bool ignore_missing = false;
  std::string jobs;
  bool recursive = false;
  std::string files_from;
  // Lines, listed names and results end with NUL, and names are never escaped.
  bool zero = false;
  std::vector<std::string> files;
};

// How many files are hashed at once, and how many threads each one's digests share: never more
// threads in all than there are cores.
struct Spread {
  unsigned workers = 1;
  unsigned threads_each = 0;
};

// Files in hand per job, waiting to be hashed or to have their results printed in turn: enough
// that the jobs rarely wait on each other over small files, and only names and digests are held.
constexpr unsigned names_in_hand = 32;

Spread spread_of(unsigned jobs, bool single_file) {
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  // A single file keeps one read shared by its digests on every core.
  if (single_file || jobs == 1) return {};
  const unsigned workers = std::min(jobs == 0 ? cores : jobs, cores);
  return {workers, std::max(1u, cores / workers)};
}

// What hashing one named input came to.
struct Hashed {
  std::optional<std::vector<std::string>> digests;
  FileFault fault;
};

Hashed hashed_of(Digests& found) {
  if (found.fault) return {std::nullopt, found.fault};
  return {std::move(found.digests), {}};
}

// An input opened and measured (BlockPump::to_the_end for a stream), or why it could not be.
struct Opened {
  std::optional<File> file;
  std::int64_t size = 0;
  FileFault fault;
};

Opened open_measured(const std::string& name) {
  Result<File, FileFault> file = open_input(name, true);
  if (!file) return {std::nullopt, 0, file.why()};
  Result<std::int64_t, FileFault> size = input_size(*file);
  if (!size) return {std::nullopt, 0, size.why()};
  return {std::move(*file), *size, {}};
}

// Hashes one input. Run alone, it draws the progress display; beside others, none.
Hashed hash_opened(Opened& input, const std::vector<Algorithm>& algorithms, const Spread& spread,
                   const Common& common) {
  if (!input.file) return {std::nullopt, input.fault};
  std::optional<Progress> progress;
  if (spread.workers == 1) progress.emplace(common, checksum_label);
  Digests found = hash_file(*input.file, input.size, algorithms,
                            progress ? progress->display() : ProgressDisplay{}, spread.threads_each);
  return hashed_of(found);
}

Hashed hash_named(const std::string& name, const std::vector<Algorithm>& algorithms, const Spread& spread,
                  const Common& common) {
  Opened input = open_measured(name);
  return hash_opened(input, algorithms, spread, common);
}

// Hashes two inputs side by side where both are files and their algorithms pair well; else one
// after the other.
std::pair<Hashed, Hashed> hash_two_named(const std::string& name_a,
                                         const std::vector<Algorithm>& algorithms_a,
                                         const std::string& name_b,
                                         const std::vector<Algorithm>& algorithms_b, const Spread& spread,
                                         const Common& common) {
  Opened a = open_measured(name_a), b = open_measured(name_b);
  if (a.file && b.file && a.size != BlockPump::to_the_end && b.size != BlockPump::to_the_end &&
      algorithms_a == algorithms_b) {
    auto [found_a, found_b] = hash_two_files(*a.file, a.size, *b.file, b.size, algorithms_a);
    return {hashed_of(found_a), hashed_of(found_b)};
  }
  Hashed first = hash_opened(a, algorithms_a, spread, common);
  return {std::move(first), hash_opened(b, algorithms_b, spread, common)};
}

// Whether the files of a run go two to a thread: each thread hashes its files alone, and their
// algorithms are quicker side by side.
bool in_pairs(const Spread& spread, const std::vector<Algorithm>& algorithms) {
  return spread.workers > 1 && spread.threads_each == 1 && DigestSet::pairs_well(algorithms);
}

// Names handed over in turn; false stops them.
using TakeName = std::function<bool(const std::string& name)>;

// Where a run's names go, and how a message among them keeps its place.
struct NameFeed {
  TakeName take;
  // Hands over every result due before a message; false once the run stopped.
  std::function<bool()> settle;
};

// Hands over the names a run takes, in order: the FILE arguments (standard input when there are
// none), or the names listed in --files-from; with -r, the files of every folder among them.
// False when the run stopped.
bool each_name(const SumOptions& options, const NameFeed& feed, int& status) {
  auto one = [&](const std::string& name) {
    if (!options.recursive || name == "-" || !platform::is_folder(name)) return feed.take(name);
    return walk_folder(name, [&](const std::string& path, const FileFault& fault) {
      if (!fault) return feed.take(path);
      if (!feed.settle()) return false;
      complain(fault);
      status = trouble;
      return true;
    });
  };
  if (options.files_from.empty()) {
    for (const std::string& name : options.files.empty() ? std::vector<std::string>{"-"} : options.files)
      if (!one(name)) return false;
    return true;
  }
  Result<File, FileFault> list = open_input(options.files_from, true);
  if (!list) {
    complain(list.why());
    status = trouble;
    return true;
  }
  LineReader reader(*list, options.zero ? '\0' : '\n');
  std::string name;
  for (unsigned long long number = 1;; ++number) {
    const LineReader::Got got = reader.next(name);
    if (got == LineReader::Got::end) break;
    if (got == LineReader::Got::too_long) {
      if (!feed.settle()) return false;
      complain("%s: %llu: name too long for a file; the rest of the list is not read",
               "%s: %llu: nama terlalu panjang untuk berkas; sisa daftar tidak dibaca",
               shown(options.files_from).c_str(), number);
      status = trouble;
      return true;
    }
    if (!name.empty() && !one(name)) return false;
  }
  if (list->failed()) {
    if (!feed.settle()) return false;
    complain(FileFault::read_of(*list));
    status = trouble;
  }
  return true;
}

int compute(const SumOptions& options, const std::vector<Algorithm>& algorithms, unsigned jobs,
            const Common& common) {
  const Spread spread =
      spread_of(jobs, options.files.size() <= 1 && !options.recursive && options.files_from.empty());
  const bool tagged = options.tag || algorithms.size() > 1;
  const char end = options.zero ? '\0' : '\n';
  int status = success;
  OrderedWork<std::string, Hashed> work(
      spread.workers, names_in_hand * spread.workers,
      [&](const std::string& name) { return hash_named(name, algorithms, spread, common); },
      [&](const std::string& path, Hashed& hashed) {
        if (!hashed.digests) {
          complain(hashed.fault);
          status = trouble;
          return true;
        }
        // With -z names are taken as they are, as the standard tools take them.
        const PrintedName name = options.zero ? PrintedName{false, path} : printed_name(path);
        std::string lines;
        for (std::size_t k = 0; k < algorithms.size(); ++k) {
          if (name.escaped) lines += '\\';
          if (tagged) lines.append(tag_of(algorithms[k])).append(" (").append(name.text).append(") = ");
          lines.append((*hashed.digests)[k]);
          if (!tagged) lines.append("  ").append(name.text);
          lines += end;
        }
        return print(lines);
      },
      in_pairs(spread, algorithms)
          ? [&](const std::string& a,
                const std::string& b) { return hash_two_named(a, algorithms, b, algorithms, spread, common); }
          : OrderedWork<std::string, Hashed>::WorkTwo{},
      // The caller has only results to print in between: one thread fewer to start.
      true);
  const NameFeed feed{[&](const std::string& name) { return work.add(name); }, [&] { return work.drain(); }};
  if (!each_name(options, feed, status) || !work.drain()) return trouble;
  return status;
}

void warn_count(std::size_t count, const char* english_one, const char* english_many,
                const char* indonesian) {
  if (count == 0) return;
  complain(count == 1 ? english_one : english_many, indonesian, static_cast<unsigned long long>(count));
}

// How a listed name stands in a result: as the standard tools print it, with a backslash first
// and escapes when it holds a line feed (never with -z); on a terminal with control characters
// as "?".
std::string result_name(const std::string& name, bool terminal, bool zero) {
  if (terminal) return shown(name, true);
  if (zero || name.find('\n') == std::string::npos) return name;
  return "\\" + printed_name(name).text;
}

struct CheckOptions {
  Allowed chosen;
  Telling telling;
  bool strict;
  bool ignore_missing;
  bool zero;
};

// What one list came to.
struct Tally {
  std::size_t improper = 0, unreadable = 0, mismatched = 0, formatted = 0, matched = 0;
  bool trouble = false;
};

// Tells one listed file's result; false once standard output failed.
bool tell_result(const SumLine& sum, Hashed& hashed, const CheckOptions& options, bool terminal,
                 Tally& tally) {
  ++tally.formatted;
  if (!hashed.digests && options.ignore_missing && platform::not_found(hashed.fault.reason.code)) return true;
  if (!hashed.digests) complain(hashed.fault);
  const std::vector<std::string>* found = hashed.digests ? &*hashed.digests : nullptr;
  const bool matched = found && std::any_of(found->begin(), found->end(), [&](const std::string& computed) {
                         return same_digest(sum.digest, computed);
                       });
  tally.unreadable += !found;
  tally.mismatched += found && !matched;
  tally.matched += matched;
  if (options.telling == Telling::nothing || (matched && options.telling == Telling::failures)) return true;
  const char* verdict = !found ? ": FAILED open or read" : matched ? ": OK" : ": FAILED";
  return print(result_name(sum.name, terminal, options.zero) + verdict + (options.zero ? '\0' : '\n'));
}

// Checks the files of one list, several at once as the spread allows; false once standard output
// failed.
bool check_list(const std::string& list, const CheckOptions& options, const Spread& spread, bool terminal,
                const Common& common, Tally& tally) {
  Result<File, FileFault> file = open_input(list, true);
  if (!file) {
    complain(file.why());
    tally.trouble = true;
    return true;
  }
  OrderedWork<SumLine, Hashed> work(
      spread.workers, names_in_hand * spread.workers,
      [&](const SumLine& sum) { return hash_named(sum.name, sum.algorithms, spread, common); },
      [&](const SumLine& sum, Hashed& hashed) { return tell_result(sum, hashed, options, terminal, tally); },
      // Each line names its own algorithms; two lines whose differ are hashed one after the other.
      in_pairs(spread, {Algorithm::sha256})
          ? [&](const SumLine& a, const SumLine& b) {
              if (!in_pairs(spread, a.algorithms))
                return std::pair{hash_named(a.name, a.algorithms, spread, common),
                                 hash_named(b.name, b.algorithms, spread, common)};
              return hash_two_named(a.name, a.algorithms, b.name, b.algorithms, spread, common);
            }
          : OrderedWork<SumLine, Hashed>::WorkTwo{},
      true);
  const std::string list_name = shown(list);
  LineReader reader(*file, options.zero ? '\0' : '\n');
  std::string line;
  Separation separation = Separation::unknown;
  for (unsigned long long number = 1;; ++number) {
    const LineReader::Got got = reader.next(line);
    if (got == LineReader::Got::end) break;
    if (got == LineReader::Got::too_long) {
      // Its end may never come (a device that gives bytes for ever), so the list stops here.
      if (!work.drain()) return false;
      ++tally.improper;
      tally.trouble = true;
      complain("%s: %llu: line too long for a checksum line; the rest of the list is not read",
               "%s: %llu: baris terlalu panjang untuk baris ceksum; sisa daftar tidak dibaca",
               list_name.c_str(), number);
      break;
    }
    // Lists written on Windows end their lines with a carriage return as well.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::optional<SumLine> sum = parse_line(line, options.chosen, separation);
    if (sum) {
      if (!work.add(std::move(*sum))) return false;
      continue;
    }
    ++tally.improper;
    if (options.telling != Telling::warnings) continue;
    if (!work.drain()) return false;
    complain("%s: %llu: improperly formatted checksum line", "%s: %llu: baris ceksum tidak berformat benar",
             list_name.c_str(), number);
  }
  if (!work.drain()) return false;
  if (file->failed()) {
    complain(FileFault::read_of(*file));
    tally.trouble = true;
  }
  return true;
}

int check(const SumOptions& options, unsigned jobs, const Common& common) {
  CheckOptions check_options{.chosen = options.chosen,
                             .telling = options.telling,
                             .strict = options.strict,
                             .ignore_missing = options.ignore_missing,
                             .zero = options.zero};
  const Spread spread = spread_of(jobs, false);
  if (std::none_of(options.chosen.begin(), options.chosen.end(), [](bool chosen) { return chosen; }))
    check_options.chosen.fill(true);
  const bool terminal = standard_output_is_terminal();
  int status = success;
  for (const std::string& list : options.files.empty() ? std::vector<std::string>{"-"} : options.files) {
    Tally tally;
    if (!check_list(list, check_options, spread, terminal, common, tally)) return trouble;
    const std::string list_name = shown(list);
    if (tally.formatted == 0 && !tally.trouble) {
      complain("%s: no properly formatted checksum lines found",
               "%s: tidak ada baris ceksum yang berformat benar", list_name.c_str());
    } else if (options.telling != Telling::nothing) {
      warn_count(tally.improper, "WARNING: %llu line is improperly formatted",
                 "WARNING: %llu lines are improperly formatted",
                 "PERINGATAN: %llu baris tidak berformat benar");
      warn_count(tally.unreadable, "WARNING: %llu listed file could not be read",
                 "WARNING: %llu listed files could not be read",
                 "PERINGATAN: %llu berkas yang didaftar tidak dapat dibaca");
      warn_count(tally.mismatched, "WARNING: %llu computed checksum did NOT match",
                 "WARNING: %llu computed checksums did NOT match",
                 "PERINGATAN: %llu ceksum yang dihitung TIDAK cocok");
      if (options.ignore_missing && tally.matched == 0 && !tally.trouble)
        complain("%s: no file was verified", "%s: tidak ada berkas yang diverifikasi", list_name.c_str());
    }
    const bool passed = tally.formatted > 0 && tally.unreadable == 0 && tally.mismatched == 0 &&
                        (!options.strict || tally.improper == 0) &&
                        (!options.ignore_missing || tally.matched > 0);
    if (tally.trouble)
      status = trouble;
    else if (!passed && status == success)
      status = negative;
  }
  return status;
}

int run_sum(const SumOptions& options, const Common& common) {
  unsigned jobs = 0;
  if (!options.jobs.empty()) {
    std::optional<std::uint64_t> count = whole_number("--jobs", options.jobs, 1, 1024);
    if (!count) return bad_usage;
    jobs = static_cast<unsigned>(*count);
  }
  if (!options.files_from.empty() && !options.files.empty()) {
    complain("--files-from takes the names from its list, not as FILE too",
             "--files-from mengambil nama dari daftarnya, bukan juga sebagai BERKAS");
    return bad_usage;
  }
  if (options.check) {
    if (options.tag || options.all || options.recursive || !options.files_from.empty()) {
      complain("--check takes no %s", "--check tidak menerima %s",
               options.tag         ? "--tag"
               : options.all       ? "--all"
               : options.recursive ? "-r"
                                   : "--files-from");
      return bad_usage;
    }
    return check(options, jobs, common);
  }
  if (options.telling == Telling::nothing || options.telling == Telling::warnings || options.strict ||
      options.ignore_missing) {
    complain("--status, --warn, --strict and --ignore-missing go with --check",
             "--status, --warn, --strict dan --ignore-missing hanya bersama --check");
    return bad_usage;
  }
  std::vector<Algorithm> algorithms;
  for (const AlgorithmName& known : algorithm_names)
    if (options.all || options.chosen[static_cast<std::size_t>(known.algorithm)])
      algorithms.push_back(known.algorithm);
  if (algorithms.empty()) algorithms.push_back(Algorithm::sha256);
  return compute(options, algorithms, jobs, common);
}

}  // namespace

Command sum_command(Parser& program, Common& common) {
  auto options = std::make_shared<SumOptions>();
  CLI::App* parser = program.add_subcommand("sum");
  for (const AlgorithmName& known : algorithm_names)
    parser->add_flag(known.option, options->chosen[static_cast<std::size_t>(known.algorithm)]);
  parser->add_flag("--all", options->all);
  parser->add_flag("--tag", options->tag);
  parser->add_flag("-c,--check", options->check);
  CLI::Option* warn = parser->add_flag("-w,--warn");
  CLI::Option* status = parser->add_flag("--status");
  parser->add_flag("--strict", options->strict);
  parser->add_flag("--ignore-missing", options->ignore_missing);
  parser->add_option("-j,--jobs", options->jobs);
  parser->add_flag("-r,--recursive", options->recursive);
  parser->add_option("--files-from", options->files_from);
  parser->add_flag("-z,--zero", options->zero);
  parser->add_option("FILE", options->files);
  add_common_options(*parser, common, false);
  CLI::Option* quiet = parser->get_option("--quiet");
  return {parser,
          {"varnelo sum [ALGORITHM...] [--tag] [-j N] [-r] [-z] FILE...\n"
           "varnelo sum [ALGORITHM...] [--tag] [-j N] [-r] [-z] --files-from LIST\n"
           "varnelo sum --check [ALGORITHM...] [CHECKOPTION...] [-j N] [-z] [SUMSFILE...]\n",
           "varnelo sum [ALGORITMA...] [--tag] [-j N] [-r] [-z] BERKAS...\n"
           "varnelo sum [ALGORITMA...] [--tag] [-j N] [-r] [-z] --files-from DAFTAR\n"
           "varnelo sum --check [ALGORITMA...] [OPSICEK...] [-j N] [-z] [BERKASCEKSUM...]\n"},
          {"      Checksums of files, one line per file as sha256sum prints them (\"HEX  NAME\"), or\n"
           "      \"ALGO (NAME) = HEX\" per file and algorithm with several algorithms or --tag.\n"
           "      ALGORITHM: --sha512 --sha384 --sha256 (the default) --sha224 --sha1 --ripemd160\n"
           "      --md5 --checksum64 (16 digits), or --all; the file is read once for all of them.\n"
           "      --check reads such lines, as sha256sum -c and md5sum -c do, and prints NAME: OK,\n"
           "      FAILED or FAILED open or read as each file is read. Both forms, any mix of algorithms;\n"
           "      an untagged line by the length of HEX (40 digits: SHA-1 or RIPEMD-160); two spaces,\n"
           "      space and star, one space or a tab before NAME. ALGORITHM checks only its own lines.\n"
           "      Exit status 1 when a listed file did not match or could not be read; a line that is no\n"
           "      checksum line is counted in a warning and fails the check only with --strict.\n"
           "      CHECKOPTION:\n"
           "      -q, --quiet       only the failures are listed\n"
           "      --status          nothing is printed; the exit status tells\n"
           "      -w, --warn        a warning for each line that is no checksum line\n"
           "      --strict          such a line fails the check\n"
           "      --ignore-missing  a listed file that does not exist is passed over (something must\n"
           "                        still be checked)\n"
           "      -j, --jobs N      files hashed at once (default: one per core), results still in\n"
           "                        order; -j 1 suits a spinning disk, which seeks between files\n"
           "      -r, --recursive   the files under each folder, names sorted, \"/\" between parts;\n"
           "                        links to folders are not followed\n"
           "      --files-from LIST the names to hash, one per line (- for standard input)\n"
           "      -z, --zero        lines, names in LIST and results end with NUL; no escapes\n"
           "      Example: varnelo sum --sha256 *.iso > SHA256SUMS && varnelo sum --check SHA256SUMS\n"
           "      Example: varnelo sum -r photos > photos.sha256\n"
           "      Example: find . -name '*.iso' -print0 | varnelo sum -z --files-from - > SUMS\n",
           "      Ceksum berkas, satu baris per berkas seperti cetakan sha256sum (\"HEX  NAMA\"), atau\n"
           "      \"ALGO (NAMA) = HEX\" per berkas dan algoritma bila beberapa algoritma atau --tag.\n"
           "      ALGORITMA: --sha512 --sha384 --sha256 (bawaan) --sha224 --sha1 --ripemd160\n"
           "      --md5 --checksum64 (16 digit), atau --all; berkas dibaca sekali untuk semuanya.\n"
           "      --check membaca baris-baris itu, seperti sha256sum -c dan md5sum -c, dan mencetak\n"
           "      NAMA: OK, FAILED atau FAILED open or read begitu tiap berkas dibaca. Kedua bentuk,\n"
           "      algoritma boleh campur; baris tanpa tag menurut panjang HEX (40 digit: SHA-1 atau\n"
           "      RIPEMD-160); dua spasi, spasi dan bintang, satu spasi atau tab sebelum NAMA.\n"
           "      ALGORITMA hanya memeriksa baris miliknya.\n"
           "      Status keluar 1 bila berkas yang didaftar tidak cocok atau tak dapat dibaca; baris yang\n"
           "      bukan baris ceksum dihitung dalam peringatan dan menggagalkan cek hanya dengan --strict.\n"
           "      OPSICEK:\n"
           "      -q, --quiet       hanya yang gagal didaftar\n"
           "      --status          tidak mencetak apa pun; status keluar yang memberi tahu\n"
           "      -w, --warn        peringatan untuk tiap baris yang bukan baris ceksum\n"
           "      --strict          baris seperti itu menggagalkan cek\n"
           "      --ignore-missing  berkas yang didaftar tetapi tidak ada dilewati (tetap harus ada\n"
           "                        yang diperiksa)\n"
           "      -j, --jobs N      berkas yang di-hash bersamaan (bawaan: satu per inti), hasil tetap\n"
           "                        urut; -j 1 cocok untuk cakram berputar, yang berpindah antarberkas\n"
           "      -r, --recursive   berkas di bawah tiap folder, nama terurut, \"/\" di antara bagian;\n"
           "                        tautan ke folder tidak diikuti\n"
           "      --files-from DAFTAR nama yang di-hash, satu per baris (- untuk masukan standar)\n"
           "      -z, --zero        baris, nama dalam DAFTAR dan hasil diakhiri NUL; tanpa escape\n"
           "      Contoh: varnelo sum --sha256 *.iso > SHA256SUMS && varnelo sum --check SHA256SUMS\n"
           "      Contoh: varnelo sum -r photos > photos.sha256\n"
           "      Contoh: find . -name '*.iso' -print0 | varnelo sum -z --files-from - > SUMS\n"},
          [options, &common, parser, warn, status, quiet] {
            // As with the standard tools, the last of --quiet, --status and --warn is the one that counts.
            for (const CLI::Option* given : parser->parse_order())
              if (given == warn)
                options->telling = Telling::warnings;
              else if (given == status)
                options->telling = Telling::nothing;
              else if (given == quiet)
                options->telling = Telling::failures;
            return run_sum(*options, common);
          }};
}

}  // namespace varnelo::command
