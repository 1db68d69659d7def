// The sum command: checksums of files in the forms sha256sum and its siblings print and read.

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/jobs.hpp"
#include "command/command.hpp"
#include "command/files.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "io/input.hpp"
#include "shell/labels.hpp"

namespace varnelo::command {

namespace {

struct AlgorithmName {
  Algorithm algorithm;
  const char* option;
  const char* tag;
};

// In the order several digests of one file are printed.
constexpr std::array<AlgorithmName, algorithm_count> names = {{
    {Algorithm::sha512, "--sha512", "SHA512"},
    {Algorithm::sha384, "--sha384", "SHA384"},
    {Algorithm::sha256, "--sha256", "SHA256"},
    {Algorithm::sha224, "--sha224", "SHA224"},
    {Algorithm::sha1, "--sha1", "SHA1"},
    {Algorithm::ripemd160, "--ripemd160", "RMD160"},
    {Algorithm::md5, "--md5", "MD5"},
    {Algorithm::checksum64, "--checksum64", "CHECKSUM64"},
}};

const char* tag_of(Algorithm algorithm) {
  return names[static_cast<std::size_t>(algorithm)].tag;
}

struct SumOptions {
  std::array<bool, algorithm_count> chosen = {};
  bool all = false;
  bool tag = false;
  bool check = false;
  std::vector<std::string> files;
};

// A name as the standard tools print it: a line whose name holds a backslash, a line feed or a
// carriage return starts with a backslash, and those characters are written as escapes.
struct PrintedName {
  bool escaped = false;
  std::string text;
};

PrintedName printed_name(const std::string& name) {
  PrintedName printed;
  for (char c : name) {
    if (c == '\\' || c == '\n' || c == '\r') {
      printed.escaped = true;
      printed.text += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : "\\r";
    } else {
      printed.text += c;
    }
  }
  return printed;
}

// Reads one file through the digests; nullopt after the message when it cannot be read.
std::optional<std::vector<std::string>> digest_file(const std::string& path,
                                                    const std::vector<Algorithm>& algorithms,
                                                    const Common& common) {
  std::optional<Input> input = take_input(path);
  if (!input) return std::nullopt;
  Progress progress(common, checksum_label, input->size_known());
  Digests found = hash_file(input->file, input->size, algorithms, progress.display());
  if (!found.fault) return std::move(found.digests);
  complain(found.fault);
  return std::nullopt;
}

int compute(const SumOptions& options, const std::vector<Algorithm>& algorithms, const Common& common) {
  const bool tagged = options.tag || algorithms.size() > 1;
  int status = success;
  for (const std::string& path : options.files.empty() ? std::vector<std::string>{"-"} : options.files) {
    std::optional<std::vector<std::string>> found = digest_file(path, algorithms, common);
    if (!found) {
      status = trouble;
      continue;
    }
    const PrintedName name = printed_name(path);
    std::string lines;
    for (std::size_t k = 0; k < algorithms.size(); ++k) {
      if (name.escaped) lines += '\\';
      if (tagged)
        lines.append(tag_of(algorithms[k])).append(" (").append(name.text).append(") = ").append((*found)[k]);
      else
        lines.append((*found)[k]).append("  ").append(name.text);
      lines += '\n';
    }
    if (!print(lines)) return trouble;
  }
  return status;
}

// One line of a sums file, understood.
struct SumLine {
  Algorithm algorithm;
  std::string digest;
  std::string name;
};

bool is_hex(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}

// Undoes printed_name's escapes; nullopt for any other backslash sequence.
std::optional<std::string> unescaped(std::string_view text) {
  std::string name;
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] != '\\') {
      name += text[k];
      continue;
    }
    if (++k == text.size()) return std::nullopt;
    switch (text[k]) {
      case '\\':
        name += '\\';
        break;
      case 'n':
        name += '\n';
        break;
      case 'r':
        name += '\r';
        break;
      default:
        return std::nullopt;
    }
  }
  return name;
}

// "TAG (NAME) = HEX", or "HEX  NAME" and "HEX *NAME" with the algorithm told by the length of
// HEX: `by_length` holds the one chosen for each length, the usual ones unless options said
// otherwise. nullopt for a line in no such form.
std::optional<SumLine> parse_line(std::string_view line,
                                  const std::array<std::optional<Algorithm>, 129>& by_length) {
  const bool escaped = !line.empty() && line[0] == '\\';
  if (escaped) line.remove_prefix(1);
  std::optional<SumLine> parsed;
  const std::size_t open = line.find(" (");
  const std::size_t close = line.rfind(") = ");
  if (open != std::string_view::npos && close != std::string_view::npos && close > open) {
    const std::string_view tag = line.substr(0, open);
    for (const AlgorithmName& known : names)
      if (tag == known.tag)
        parsed = SumLine{known.algorithm, std::string(line.substr(close + 4)),
                         std::string(line.substr(open + 2, close - open - 2))};
  }
  if (!parsed) {
    const std::size_t end = line.find(' ');
    if (end == std::string_view::npos || end > 128 || end + 2 > line.size() ||
        (line[end + 1] != ' ' && line[end + 1] != '*'))
      return std::nullopt;
    const std::optional<Algorithm> algorithm = by_length[end];
    if (!algorithm) return std::nullopt;
    parsed = SumLine{*algorithm, std::string(line.substr(0, end)), std::string(line.substr(end + 2))};
  }
  if (!is_hex(parsed->digest) || parsed->digest.size() != hex_length(parsed->algorithm) ||
      parsed->name.empty())
    return std::nullopt;
  if (escaped) {
    std::optional<std::string> name = unescaped(parsed->name);
    if (!name) return std::nullopt;
    parsed->name = *name;
  }
  return parsed;
}

bool same_digest(const std::string& listed, const std::string& computed) {
  return std::equal(listed.begin(), listed.end(), computed.begin(), computed.end(),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// The lines of a sums file, read whole through the file layer; nullopt after the message.
std::optional<std::vector<std::string>> read_lines(const std::string& path) {
  Result<File, FileFault> file = open_input(path, true);
  if (!file) {
    complain(file.why());
    return std::nullopt;
  }
  std::string text;
  std::vector<char> buffer(std::size_t{1} << 16);
  for (std::size_t got; (got = file->read(buffer.data(), buffer.size())) > 0;)
    text.append(buffer.data(), got);
  if (file->failed()) {
    complain(FileFault::read_of(*file));
    return std::nullopt;
  }
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    // Lists written on Windows end their lines with a carriage return as well.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void warn_count(std::size_t count, const char* english_one, const char* english_many,
                const char* indonesian) {
  if (count == 0) return;
  complain(count == 1 ? english_one : english_many, indonesian, static_cast<unsigned long long>(count));
}

int check(const SumOptions& options, const Common& common) {
  // The usual algorithm of each length of an untagged line; an algorithm chosen takes its length over.
  std::array<std::optional<Algorithm>, 129> by_length = {};
  for (Algorithm usual : {Algorithm::md5, Algorithm::sha1, Algorithm::sha224, Algorithm::sha256,
                          Algorithm::sha384, Algorithm::sha512})
    by_length[hex_length(usual)] = usual;
  for (const AlgorithmName& known : names)
    if (options.chosen[static_cast<std::size_t>(known.algorithm)])
      by_length[hex_length(known.algorithm)] = known.algorithm;

  int status = success;
  for (const std::string& list : options.files.empty() ? std::vector<std::string>{"-"} : options.files) {
    std::optional<std::vector<std::string>> lines = read_lines(list);
    if (!lines) {
      status = trouble;
      continue;
    }
    std::size_t improper = 0, unreadable = 0, mismatched = 0, checked = 0;
    for (const std::string& line : *lines) {
      if (line.empty() || line[0] == '#') continue;
      std::optional<SumLine> sum = parse_line(line, by_length);
      if (!sum) {
        ++improper;
        continue;
      }
      ++checked;
      std::optional<std::vector<std::string>> found = digest_file(sum->name, {sum->algorithm}, common);
      const bool matched = found && same_digest(sum->digest, (*found)[0]);
      const char* verdict = !found ? ": FAILED open or read" : matched ? ": OK" : ": FAILED";
      unreadable += !found;
      mismatched += found && !matched;
      if (matched && common.quiet) continue;
      const PrintedName name = printed_name(sum->name);
      if (!print((name.escaped ? "\\" : "") + name.text + verdict + "\n")) return trouble;
    }
    warn_count(improper, "WARNING: %llu line is improperly formatted",
               "WARNING: %llu lines are improperly formatted",
               "PERINGATAN: %llu baris tidak berformat benar");
    warn_count(unreadable, "WARNING: %llu listed file could not be read",
               "WARNING: %llu listed files could not be read",
               "PERINGATAN: %llu berkas yang didaftar tidak dapat dibaca");
    warn_count(mismatched, "WARNING: %llu computed checksum did NOT match",
               "WARNING: %llu computed checksums did NOT match",
               "PERINGATAN: %llu ceksum yang dihitung TIDAK cocok");
    if (checked == 0)
      complain("%s: no properly formatted checksum lines found",
               "%s: tidak ada baris ceksum yang berformat benar", list == "-" ? "-" : list.c_str());
    if (status == success && (improper > 0 || unreadable > 0 || mismatched > 0 || checked == 0))
      status = negative;
  }
  return status;
}

int run_sum(const SumOptions& options, const Common& common) {
  if (options.check) {
    if (options.tag || options.all) {
      complain("--check takes no %s", "--check tidak menerima %s", options.tag ? "--tag" : "--all");
      return bad_usage;
    }
    return check(options, common);
  }
  std::vector<Algorithm> algorithms;
  for (const AlgorithmName& known : names)
    if (options.all || options.chosen[static_cast<std::size_t>(known.algorithm)])
      algorithms.push_back(known.algorithm);
  if (algorithms.empty()) algorithms.push_back(Algorithm::sha256);
  return compute(options, algorithms, common);
}

}  // namespace

Command sum_command(Parser& program, Common& common) {
  auto options = std::make_shared<SumOptions>();
  CLI::App* parser = program.add_subcommand("sum");
  for (const AlgorithmName& known : names)
    parser->add_flag(known.option, options->chosen[static_cast<std::size_t>(known.algorithm)]);
  parser->add_flag("--all", options->all);
  parser->add_flag("--tag", options->tag);
  parser->add_flag("-c,--check", options->check);
  parser->add_option("FILE", options->files);
  add_common_options(*parser, common, false);
  return {parser,
          {"varnelo sum [ALGORITHM...] [--tag] FILE...\nvarnelo sum --check [--quiet] [SUMSFILE...]\n",
           "varnelo sum [ALGORITMA...] [--tag] BERKAS...\nvarnelo sum --check [--quiet] [BERKASCEKSUM...]\n"},
          {"      Checksums of files, one line per file as sha256sum prints them (\"HEX  NAME\"), or\n"
           "      \"ALGO (NAME) = HEX\" per file and algorithm with several algorithms or --tag.\n"
           "      ALGORITHM: --sha512 --sha384 --sha256 (the default) --sha224 --sha1 --ripemd160\n"
           "      --md5 --checksum64 (16 digits), or --all; the file is read once for all of them.\n"
           "      --check reads such lines (both forms, any mix of algorithms; untagged lines by the\n"
           "      length of HEX, --ripemd160 or --checksum64 for theirs) and prints NAME: OK, FAILED\n"
           "      or FAILED open or read; exit status 1 when anything did not match.\n"
           "      Example: varnelo sum --sha256 *.iso > SHA256SUMS && varnelo sum --check SHA256SUMS\n",
           "      Ceksum berkas, satu baris per berkas seperti cetakan sha256sum (\"HEX  NAMA\"), atau\n"
           "      \"ALGO (NAMA) = HEX\" per berkas dan algoritma bila beberapa algoritma atau --tag.\n"
           "      ALGORITMA: --sha512 --sha384 --sha256 (bawaan) --sha224 --sha1 --ripemd160\n"
           "      --md5 --checksum64 (16 digit), atau --all; berkas dibaca sekali untuk semuanya.\n"
           "      --check membaca baris-baris itu (kedua bentuk, algoritma boleh campur; baris tanpa\n"
           "      tag menurut panjang HEX, --ripemd160 atau --checksum64 untuk miliknya) dan mencetak\n"
           "      NAMA: OK, FAILED atau FAILED open or read; status keluar 1 bila ada yang tidak cocok.\n"
           "      Contoh: varnelo sum --sha256 *.iso > SHA256SUMS && varnelo sum --check SHA256SUMS\n"},
          [options, &common] { return run_sum(*options, common); }};
}

}  // namespace varnelo::command
