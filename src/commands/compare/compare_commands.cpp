// The compare and find commands: the equality comparison and the containment search of the
// compare screen, answering as cmp does, with exit statuses to match.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "command/command.hpp"
#include "command/files.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "compare/jobs.hpp"
#include "io/input.hpp"
#include "shell/display.hpp"
#include "shell/labels.hpp"

namespace varnelo::command {

namespace {

struct PairOptions {
  std::vector<std::string> files;
  bool silent = false;
};

// Both files open and measured; nullopt after the message.
struct MeasuredPair {
  Input first, second;
};

// Two files named; the part of a search is not standard input, since it is measured before it
// is read.
bool usable_pair(const PairOptions& options, const char* command) {
  if (options.files.size() != 2) {
    complain("%s needs two files", "%s memerlukan dua berkas", command);
    return false;
  }
  if (std::string_view(command) == "find" && options.files[0] == "-") {
    complain("find needs a PART it can measure, not standard input",
             "find memerlukan BAGIAN yang dapat diukur, bukan masukan standar");
    return false;
  }
  return true;
}

std::optional<MeasuredPair> open_pair(const PairOptions& options, const char* command) {
  std::optional<Input> first = std::string_view(command) == "find"
                                   ? take_measured_input(options.files[0], command)
                                   : take_input(options.files[0]);
  if (!first) return std::nullopt;
  std::optional<Input> second = take_input(options.files[1]);
  if (!second) return std::nullopt;
  return MeasuredPair{std::move(*first), std::move(*second)};
}

int run_compare(const PairOptions& options, const Common& common) {
  // As cmp -s: not even a message; the status says it all.
  if (options.silent) silence_messages();
  if (!usable_pair(options, "compare")) return bad_usage;
  std::optional<MeasuredPair> pair = open_pair(options, "compare");
  if (!pair) return trouble;
  // Files of different sizes differ where their bytes first differ, or else where the shorter
  // ends; streams are read on until one of them tells.
  EqualityResult result;
  const std::int64_t first_size = pair->first.size, second_size = pair->second.size;
  {
    Progress progress(common, compare_label);
    if (pair->first.size_known() && pair->second.size_known()) {
      const std::int64_t common_size = std::min(first_size, second_size);
      result = compare_equal(pair->first.file, pair->second.file, common_size, progress.display());
      if (result.difference < 0 && first_size != second_size) {
        result.shorter = first_size < second_size ? 1 : 2;
        result.length = common_size;
      }
    } else {
      result = compare_streams(pair->first.file, pair->second.file, progress.display());
    }
  }
  if (result.fault) {
    complain(result.fault);
    return trouble;
  }
  const int status = result.difference >= 0 || result.shorter != 0 ? negative : success;
  if (options.silent) return status;
  if (result.difference >= 0)
    return print("differ at byte " + std::to_string(result.difference) + "\n") ? negative : trouble;
  if (status == success) return print("equal\n") ? success : trouble;
  // One file is the start of the other: the shorter one ends after its last byte.
  const std::string shorter = shown(options.files[result.shorter == 1 ? 0 : 1]);
  const std::string end =
      result.length == 0 ? "EOF on " + shorter + ", which is empty\n"
                         : "EOF on " + shorter + " after byte " + std::to_string(result.length - 1) + "\n";
  return print(end) ? negative : trouble;
}

int run_find(const PairOptions& options, const Common& common) {
  if (!usable_pair(options, "find")) return bad_usage;
  std::optional<MeasuredPair> pair = open_pair(options, "find");
  if (!pair) return trouble;
  Input& part = pair->first;
  Input& host = pair->second;
  if (!host.size_known()) {
    // The search reads the host at any offset, so a stream is first copied whole where it can.
    Progress progress(common, compare_label);
    Result<File, FileFault> copy = spooled(host.file, progress.display());
    const std::int64_t size = copy ? copy->measure_size() : -1;
    if (!copy || size < 0) {
      complain(copy ? FileFault::read_of(*copy) : copy.why());
      return trouble;
    }
    host = {std::move(*copy), size};
  }
  if (part.size == 0 || host.size == 0) {
    complain("could not process empty file %s", "tidak dapat memproses berkas kosong %s",
             quote(part.size == 0 ? options.files[0] : options.files[1]).c_str());
    return trouble;
  }
  if (part.size > host.size) return negative;
  Progress progress(common, compare_label);
  const Occurrences result =
      find_occurrences_in(host.file, host.size, part.file, part.size, progress.display());
  if (result.fault) {
    complain(result.fault);
    return trouble;
  }
  std::string lines;
  for (std::int64_t start : result.positions)
    lines += std::to_string(start) + "\n";
  if (!print(lines)) return trouble;
  // Without this notice a full list would read as if it held every occurrence.
  if (result.rest_unsearched)
    complain("Only the first %lld positions are listed; the rest of the file was not searched.",
             "Hanya %lld posisi pertama yang ditampilkan; sisa berkas tidak dicari.",
             static_cast<long long>(result.positions.size()));
  return result.positions.empty() ? negative : success;
}

}  // namespace

Command compare_command(Parser& program, Common& common) {
  auto options = std::make_shared<PairOptions>();
  CLI::App* parser = program.add_subcommand("compare");
  parser->add_option("FILE", options->files);
  parser->add_flag("-s,--silent", options->silent);
  add_common_options(*parser, common, false);
  return {
      parser,
      {"varnelo compare [-s] A B\n", "varnelo compare [-s] A B\n"},
      {"      Prints \"equal\", or \"differ at byte N\" with N the first byte, counted from 0, that\n"
       "      differs; when one file is the start of the other, \"EOF on A after byte N\" with N its\n"
       "      last byte (\"EOF on A, which is empty\"). -s, --silent prints nothing, messages\n"
       "      included. Either may be - or another stream. Exit status 0 equal, 1 different,\n"
       "      2 trouble, as cmp.\n"
       "      Example: varnelo compare -s backup.tar restored.tar || echo changed\n",
       "      Mencetak \"equal\", atau \"differ at byte N\" dengan N byte pertama, dihitung dari 0, yang\n"
       "      berbeda; bila satu berkas adalah awal berkas lainnya, \"EOF on A after byte N\" dengan N\n"
       "      byte terakhirnya (\"EOF on A, which is empty\"). -s, --silent tidak mencetak apa pun,\n"
       "      pesan juga tidak. Keduanya boleh - atau aliran lain. Status keluar 0 sama, 1 berbeda,\n"
       "      2 masalah, seperti cmp.\n"
       "      Contoh: varnelo compare -s backup.tar restored.tar || echo berubah\n"},
      [options, &common] { return run_compare(*options, common); }};
}

Command find_command(Parser& program, Common& common) {
  auto options = std::make_shared<PairOptions>();
  CLI::App* parser = program.add_subcommand("find");
  parser->add_option("FILE", options->files);
  add_common_options(*parser, common, false);
  return {parser,
          {"varnelo find PART HOST\n", "varnelo find BAGIAN INDUK\n"},
          {"      Prints, one per line, each offset (from 0) where the whole of PART occurs in HOST,\n"
           "      occurrences never overlapping, as the menu's search finds them: at most 4096, with a\n"
           "      notice on standard error when the list filled before the end. Empty files are\n"
           "      refused. HOST may be - or another stream: it is first copied whole into the\n"
           "      system's temporary folder (TMPDIR), and the copy is gone when find ends. Exit status\n"
           "      0 found, 1 not found.\n"
           "      Example: varnelo find piece.bin disk.img\n",
           "      Mencetak, satu per baris, setiap posisi (dari 0) tempat seluruh BAGIAN terdapat di\n"
           "      INDUK, tanpa tumpang tindih, seperti pencarian di menu: paling banyak 4096, dengan\n"
           "      pemberitahuan pada galat standar bila daftarnya penuh sebelum akhir. Berkas kosong\n"
           "      ditolak. INDUK boleh - atau aliran lain: aliran lebih dulu disalin utuh ke folder\n"
           "      sementara sistem (TMPDIR), dan salinannya hilang saat find selesai. Status keluar\n"
           "      0 ditemukan, 1 tidak ditemukan.\n"
           "      Contoh: varnelo find piece.bin disk.img\n"},
          [options, &common] { return run_find(*options, common); }};
}

}  // namespace varnelo::command
