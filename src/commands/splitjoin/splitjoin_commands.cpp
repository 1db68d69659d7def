// The split and join commands: the same pieces as the menus make and join, named and counted
// the same way.

#include <cctype>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/sum_lines.hpp"
#include "command/command.hpp"
#include "command/files.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "io/block_pump.hpp"
#include "shell/labels.hpp"
#include "splitjoin/jobs.hpp"
#include "splitjoin/pieces.hpp"

namespace varnelo::command {

namespace {

struct SplitOptions {
  std::string file;
  std::string pieces;
  std::string size;
  std::string prefix;
  std::string sums;  // the algorithm of the list of sums to write, when one is asked for
};

// The algorithm --sums names, by its option's name without the dashes; nullopt after the message.
std::optional<Algorithm> sums_algorithm(const std::string& name) {
  for (const AlgorithmName& known : algorithm_names)
    if (name == known.extension) return known.algorithm;
  complain("--sums takes one of sha512, sha384, sha256, sha224, sha1, ripemd160, md5 or checksum64, not '%s'",
           "--sums menerima salah satu dari sha512, sha384, sha256, sha224, sha1, ripemd160, md5 atau "
           "checksum64, bukan '%s'",
           name.c_str());
  return std::nullopt;
}

// The list of sums a split writes beside its pieces: P.sha256 and so on.
splitjoin::SetExtras list_of_sums(const std::string& prefix, std::optional<Algorithm> algorithm) {
  if (!algorithm) return {};
  return {.stale = {},
          .list = prefix + "." + algorithm_names[static_cast<std::size_t>(*algorithm)].extension,
          .whole = prefix,
          .algorithm = *algorithm};
}

// A piece size: a number, decimals allowed, then a unit (B, K, M, G or T, each with or without B
// or iB, in any case), all counted in 1024s as the menus count; nullopt after the message.
std::optional<std::int64_t> piece_size(const std::string& text) {
  __extension__ using Wide = unsigned __int128;
  const std::size_t number_end = text.find_first_not_of("0123456789.");
  const std::string number = text.substr(0, number_end);
  std::string unit;
  for (char c : text.substr(number.size()))
    unit += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  int power = -1;
  const char* const prefixes[] = {"", "K", "M", "G", "T"};
  for (int k = 0; k < 5; ++k)
    for (const char* suffix : {"", "B", "IB"})
      if (unit == std::string(prefixes[k]) + suffix && (k > 0 || std::string_view(suffix) != "IB")) power = k;
  const std::size_t point = number.find('.');
  const std::string whole = number.substr(0, point);
  const std::string fraction = point == std::string::npos ? "" : number.substr(point + 1);
  const bool well_formed = power >= 0 && !whole.empty() && fraction.find('.') == std::string::npos &&
                           (point == std::string::npos || !fraction.empty()) &&
                           whole.size() + fraction.size() <= 26;  // 10^26 << 40 fits 128 bits
  if (well_formed) {
    // Whole and fraction as one number of 10^digits parts, scaled exactly, rounded down to a byte.
    Wide parts = 0, scale = 1;
    for (char c : whole + fraction)
      parts = parts * 10 + static_cast<unsigned>(c - '0');
    for (std::size_t k = 0; k < fraction.size(); ++k)
      scale *= 10;
    const Wide bytes = (parts << (10 * power)) / scale;
    if (bytes > 0 && bytes <= static_cast<Wide>(std::numeric_limits<std::int64_t>::max()))
      return static_cast<std::int64_t>(bytes);
  }
  complain("--size takes a size of at least one byte, such as 4096, 640K, 700MB, 1.5GiB or 4G, not '%s'",
           "--size memerlukan ukuran paling sedikit satu byte, seperti 4096, 640K, 700MB, 1.5GiB atau 4G, "
           "bukan '%s'",
           text.c_str());
  return std::nullopt;
}

// How the file is to be cut, as the options say.
struct Plan {
  std::uint16_t pieces = 0;
  std::int64_t piece_size = 0;
};

// The sizes of the pieces of a file of `size` bytes; empty after the message.
std::vector<std::int64_t> plan_pieces(const Plan& plan, const std::string& file, std::int64_t size) {
  if (size == 0) {
    complain("%s is empty: there is nothing to split", "%s kosong: tidak ada yang dapat dipotong",
             quote(file).c_str());
    return {};
  }
  if (plan.pieces > 0) {
    std::vector<std::int64_t> sizes = splitjoin::equal_split(size, plan.pieces);
    if (sizes.empty())
      complain("%s has fewer bytes than the %u pieces asked for",
               "%s memiliki lebih sedikit byte daripada %u potongan yang diminta", quote(file).c_str(),
               static_cast<unsigned>(plan.pieces));
    return sizes;
  }
  const std::int64_t count = size / plan.piece_size + (size % plan.piece_size != 0);
  if (count > splitjoin::max_pieces) {
    complain("pieces of %lld bytes would make %lld pieces; 999 is the most",
             "potongan %lld byte akan menjadi %lld potongan; paling banyak 999",
             static_cast<long long>(plan.piece_size), static_cast<long long>(count));
    return {};
  }
  std::vector<std::int64_t> sizes(static_cast<std::size_t>(count), plan.piece_size);
  sizes.back() = size - (count - 1) * plan.piece_size;
  return sizes;
}

// A stream is cut as it comes, into pieces of the size asked for, as many as the data fills (999
// at most). No byte is read before every name the pieces could take is known to be free.
int split_stream(Input& input, const Plan& plan, const std::string& prefix, std::optional<Algorithm> sums,
                 const Common& common) {
  if (plan.piece_size == 0) {
    complain("split --pieces needs the size of the file, and %s is a stream: give --size",
             "split --pieces memerlukan ukuran berkas, dan %s adalah aliran: berikan --size",
             quote(input.file.path()).c_str());
    return bad_usage;
  }
  if (prefix.empty()) {
    complain("split of a stream needs --prefix to name the pieces",
             "split sebuah aliran memerlukan --prefix untuk menamai potongan");
    return bad_usage;
  }
  const std::vector<std::string> names = splitjoin::piece_names(prefix, splitjoin::max_pieces);
  const splitjoin::SetExtras extras = list_of_sums(prefix, sums);
  OutputDoor door(output_request(identities({&input.file}), common));
  if (Refusal refused = door.admit_all(names); refused || (sums && (refused = door.admit(extras.list)))) {
    complain(refused);
    return trouble;
  }
  const std::vector<std::int64_t> sizes(names.size(), plan.piece_size);
  Progress progress(common, split_label);
  const splitjoin::SplitOutcome outcome = splitjoin::split_file(input.file, BlockPump::to_the_end, sizes,
                                                                names, door, progress.display(), extras);
  if (outcome.past_names)
    complain("the stream goes on past %u pieces of %lld bytes; no piece was written",
             "aliran berlanjut melewati %u potongan %lld byte; tidak ada potongan yang ditulis",
             static_cast<unsigned>(names.size()), static_cast<long long>(plan.piece_size));
  if (outcome.refusal) complain(outcome.refusal);
  if (outcome.fault) complain(outcome.fault);
  if (outcome.past_names || outcome.refusal || outcome.fault) return trouble;
  // Pieces of an earlier split past the last one would be taken in by a join.
  if (std::optional<std::string> left = splitjoin::piece_left_past(names[outcome.pieces - 1]))
    complain("%s is left from an earlier split; a join would take it in",
             "%s tersisa dari pemotongan sebelumnya; penggabungan akan ikut mengambilnya",
             quote(*left).c_str());
  return success;
}

int run_split(const SplitOptions& options, const Common& common) {
  if (options.file.empty()) {
    complain("split needs the FILE to cut", "split memerlukan BERKAS yang dipotong");
    return bad_usage;
  }
  if (options.pieces.empty() == options.size.empty()) {
    complain("split takes either --pieces or --size", "split memerlukan --pieces atau --size, salah satu");
    return bad_usage;
  }
  std::optional<Algorithm> sums;
  if (!options.sums.empty()) {
    sums = sums_algorithm(options.sums);
    if (!sums) return bad_usage;
  }
  Plan plan;
  if (!options.pieces.empty()) {
    std::optional<std::uint64_t> count = whole_number("--pieces", options.pieces, 1, splitjoin::max_pieces);
    if (!count) return bad_usage;
    plan.pieces = static_cast<std::uint16_t>(*count);
  } else {
    std::optional<std::int64_t> each = piece_size(options.size);
    if (!each) return bad_usage;
    plan.piece_size = *each;
  }

  std::optional<Input> input = take_input(options.file);
  if (!input) return trouble;
  if (!input->size_known()) return split_stream(*input, plan, options.prefix, sums, common);
  const std::vector<std::int64_t> sizes = plan_pieces(plan, options.file, input->size);
  if (sizes.empty()) return trouble;

  // Every piece is admitted before the first is written, so a refusal leaves every file as it was.
  const std::string prefix = options.prefix.empty() ? options.file : options.prefix;
  const std::vector<std::string> names = splitjoin::piece_names(prefix, sizes.size());
  splitjoin::SetExtras extras = list_of_sums(prefix, sums);
  // Pieces past the last and a list of the old set would be joined, or checked, with the new one.
  extras.stale = splitjoin::pieces_left_past(names.back());
  for (const std::string& list : splitjoin::piece_lists(names.front()))
    if (list != extras.list) extras.stale.push_back(list);
  // Removing the file being split with the old set would lose it.
  for (const std::string& stale : extras.stale)
    if (names_one_of(stale, identities({&input->file}))) {
      complain(
          "%s is left from an earlier split and is the file being split; it cannot be removed",
          "%s tersisa dari pemotongan sebelumnya dan merupakan berkas yang dipotong; tidak dapat dihapus",
          quote(stale).c_str());
      return trouble;
    }
  if (!extras.stale.empty() && !common.force) {
    complain("%s is left from an earlier split and would be joined with the new pieces; --force removes it",
             "%s tersisa dari pemotongan sebelumnya dan akan ikut digabung dengan potongan baru; --force "
             "menghapusnya",
             quote(extras.stale.front()).c_str());
    return trouble;
  }
  OutputDoor door(output_request(identities({&input->file}), common));
  if (Refusal refused = door.admit_all(names); refused || (sums && (refused = door.admit(extras.list)))) {
    complain(refused);
    return trouble;
  }
  Progress progress(common, split_label);
  const splitjoin::SplitOutcome outcome =
      splitjoin::split_file(input->file, input->size, sizes, names, door, progress.display(), extras);
  if (outcome.refusal) complain(outcome.refusal);
  if (outcome.fault) complain(outcome.fault);
  for (const std::string& removed : outcome.removed)
    complain("removed %s, left from an earlier split", "%s, sisa pemotongan sebelumnya, dihapus",
             quote(removed).c_str());
  return outcome.refusal || outcome.fault ? trouble : success;
}

struct JoinOptions {
  std::vector<std::string> pieces;
  std::string output;
  std::string sums;
};

void report_too_large() {
  complain("the pieces add up to more than a file can hold",
           "jumlah potongan melebihi ukuran berkas terbesar");
}

int ended(const splitjoin::JoinOutcome& outcome) {
  if (outcome.gap)
    complain("%s is missing, but %s is there past it; list the pieces to join them anyway",
             "%s tidak ada, tetapi %s ada sesudahnya; daftarkan potongan-potongannya untuk tetap "
             "menggabungnya",
             quote(outcome.gap.missing).c_str(), quote(outcome.gap.past).c_str());
  if (!outcome.missing.empty())
    complain("%s is in the list of sums but missing; list the pieces to join them anyway",
             "%s ada di daftar ceksum tetapi tidak ada; daftarkan potongan-potongannya untuk tetap "
             "menggabungnya",
             quote(outcome.missing).c_str());
  if (!outcome.unlisted.empty())
    complain("%s is not in the list of sums; nothing was joined",
             "%s tidak ada di daftar ceksum; tidak ada yang digabung", quote(outcome.unlisted).c_str());
  if (!outcome.bad.empty())
    complain("%s does not match its sum in the list; nothing was joined",
             "%s tidak cocok dengan ceksumnya di daftar; tidak ada yang digabung",
             quote(outcome.bad).c_str());
  if (outcome.refusal) complain(outcome.refusal);
  if (outcome.too_large) report_too_large();
  if (outcome.fault) complain(outcome.fault);
  if (outcome.bad.size() + outcome.unlisted.size() > 0 && !outcome.fault) return negative;
  return outcome.gap || !outcome.missing.empty() || outcome.refusal || outcome.too_large || outcome.fault
             ? trouble
             : success;
}

int run_join(const JoinOptions& options, const Common& common) {
  if (options.pieces.empty()) {
    complain("join needs the first piece, or the pieces to join",
             "join memerlukan potongan pertama, atau potongan-potongan yang digabung");
    return bad_usage;
  }
  std::optional<Progress> progress;
  if (options.pieces.size() == 1) {
    // NAME.001 or NAME: the pieces are counted from NAME.001 on, as the menu counts them.
    const std::string first = splitjoin::first_piece_of(options.pieces[0]);
    return ended(splitjoin::join_found_pieces(
        first, options.output.empty() ? splitjoin::whole_file_of(first) : options.output,
        output_request({}, common),
        [&](std::uint16_t, std::int64_t) {
          progress.emplace(common, join_label);
          return progress->display();
        },
        splitjoin::Gaps::refuse, options.sums));
  }
  if (!options.sums.empty()) {
    complain("--sums goes with a join found from its first piece",
             "--sums hanya untuk penggabungan yang ditemukan dari potongan pertamanya");
    return bad_usage;
  }
  if (options.output.empty()) {
    complain("a join of pieces listed needs -o OUT",
             "penggabungan potongan yang didaftar memerlukan -o KELUARAN");
    return bad_usage;
  }
  std::vector<FileIdentity> avoid;
  std::int64_t total = 0;
  for (const std::string& name : options.pieces) {
    // Every piece is opened twice, to be measured and then to be copied.
    if (name == "-") {
      complain("a piece must be a file, not standard input",
               "potongan harus berupa berkas, bukan masukan standar");
      return bad_usage;
    }
    std::optional<Input> piece = take_input(name);
    if (!piece) return trouble;
    if (!splitjoin::add_size(total, piece->size)) {
      report_too_large();
      return trouble;
    }
    if (std::optional<FileIdentity> identity = piece->file.identity()) avoid.push_back(*identity);
  }
  std::optional<Output> output = take_output(options.output, avoid, common);
  if (!output) return trouble;
  progress.emplace(common, join_label);
  return ended(splitjoin::join_listed_pieces(options.pieces, total, *output, progress->display()));
}

}  // namespace

Command split_command(Parser& program, Common& common) {
  auto options = std::make_shared<SplitOptions>();
  CLI::App* parser = program.add_subcommand("split");
  parser->add_option("FILE", options->file);
  parser->add_option("--pieces", options->pieces);
  parser->add_option("--size", options->size);
  parser->add_option("--prefix", options->prefix);
  parser->add_flag("--sums{sha256}", options->sums);
  add_common_options(*parser, common, true);
  return {parser,
          {"varnelo split FILE (--pieces N | --size SIZE) [--prefix P] [--sums[=ALGO]]\n",
           "varnelo split BERKAS (--pieces N | --size UKURAN) [--prefix P] [--sums[=ALGO]]\n"},
          {"      Cuts FILE into pieces P.001, P.002, ... (P is FILE unless --prefix is given).\n"
           "      --pieces N (1 to 999): pieces of equal size, rounded up, as the menu makes them,\n"
           "      so fewer than N when the rounding uses the file up early. --size SIZE: every piece\n"
           "      but the last has SIZE bytes: a number, decimals allowed, and K, M, G or T, with or\n"
           "      without B or iB, all counting in 1024s (1.5G, 700MiB); at most 999 pieces.\n"
           "      No piece is written when any of them exists already (unless --force). Pieces of an\n"
           "      earlier split past the last one (up to P.999), and a list of its sums, are refused too;\n"
           "      --force removes them with the new set, and names them. --sums[=ALGO] writes P.sha256\n"
           "      (or P.md5, P.sha1, ... for ALGO md5, sha1, ...) with the pieces: one sha256sum line per\n"
           "      piece and one for the whole file, which sha256sum -c and a join read. FILE may be -\n"
           "      or another stream, with --size and --prefix: the pieces are cut as the data comes.\n"
           "      Example: tar -c docs | varnelo split - --size 700M --prefix /media/usb/docs.tar\n"
           "      Example: varnelo split film.mkv --size 2G --sums && sha256sum -c film.mkv.sha256\n",
           "      Memotong BERKAS menjadi potongan P.001, P.002, ... (P adalah BERKAS kecuali --prefix).\n"
           "      --pieces N (1 sampai 999): potongan berukuran sama, dibulatkan ke atas, seperti di\n"
           "      menu, jadi kurang dari N bila pembulatan menghabiskan berkas lebih awal. --size UKURAN:\n"
           "      setiap potongan kecuali yang terakhir berukuran UKURAN byte: bilangan, boleh desimal,\n"
           "      dan K, M, G atau T, dengan atau tanpa B atau iB, semua per 1024 (1.5G, 700MiB);\n"
           "      paling banyak 999 potongan. Tidak ada potongan yang ditulis bila salah satunya sudah\n"
           "      ada (kecuali --force). Potongan dari pemotongan sebelumnya sesudah yang terakhir (sampai\n"
           "      P.999), dan daftar ceksumnya, juga ditolak; --force menghapusnya bersama set baru dan\n"
           "      menyebutkannya. --sums[=ALGO] menulis P.sha256 (atau P.md5, P.sha1, ... untuk ALGO md5,\n"
           "      sha1, ...) bersama potongan: satu baris sha256sum per potongan dan satu untuk seluruh\n"
           "      berkas, yang dibaca sha256sum -c dan penggabungan. BERKAS boleh - atau aliran lain,\n"
           "      dengan --size dan --prefix: potongan dipotong selagi datanya datang.\n"
           "      Contoh: tar -c docs | varnelo split - --size 700M --prefix /media/usb/docs.tar\n"
           "      Contoh: varnelo split film.mkv --size 2G --sums && sha256sum -c film.mkv.sha256\n"},
          [options, &common] { return run_split(*options, common); }};
}

Command join_command(Parser& program, Common& common) {
  auto options = std::make_shared<JoinOptions>();
  CLI::App* parser = program.add_subcommand("join");
  parser->add_option("PIECE", options->pieces);
  parser->add_option("-o,--output", options->output);
  parser->add_option("--sums", options->sums);
  add_common_options(*parser, common, true);
  return {parser,
          {"varnelo join FIRST [-o OUT] [--sums LIST]\nvarnelo join -o OUT PIECE...\n",
           "varnelo join PERTAMA [-o KELUARAN] [--sums DAFTAR]\nvarnelo join -o KELUARAN POTONGAN...\n"},
          {"      With one name, NAME.001 or NAME, joins NAME.001, NAME.002, ... up to the first\n"
           "      number missing, into NAME unless -o is given. With several, joins those pieces in\n"
           "      the order given into OUT. A gap (a number missing, pieces past it) is refused.\n"
           "      A list of sums beside the pieces that names NAME.001 (NAME.sha256, NAME.md5, ..., as\n"
           "      split --sums writes it), or the one given with --sums, checks every piece as it is\n"
           "      copied: a piece that does not match (exit status 1), one the list does not name, or\n"
           "      one it names that is missing (exit status 2) keeps the output from being written.\n"
           "      Example: varnelo join /media/usb/backup.tar.001 -o backup.tar\n"
           "      Example: varnelo join film.mkv.001 --sums SHA256SUMS\n",
           "      Dengan satu nama, NAMA.001 atau NAMA, menggabung NAMA.001, NAMA.002, ... sampai nomor\n"
           "      pertama yang tidak ada, menjadi NAMA kecuali -o diberikan. Dengan beberapa nama,\n"
           "      menggabung potongan-potongan itu sesuai urutannya menjadi KELUARAN. Celah (nomor yang\n"
           "      hilang, dengan potongan sesudahnya) ditolak. Daftar ceksum di samping potongan yang\n"
           "      menyebut NAMA.001 (NAMA.sha256, NAMA.md5, ..., seperti tulisan split --sums), atau yang\n"
           "      diberikan dengan --sums, memeriksa tiap potongan selagi disalin: potongan yang tidak\n"
           "      cocok (status keluar 1), yang tidak disebut daftar, atau yang disebut tetapi tidak ada\n"
           "      (status keluar 2) membuat keluaran tidak ditulis.\n"
           "      Contoh: varnelo join /media/usb/backup.tar.001 -o backup.tar\n"
           "      Contoh: varnelo join film.mkv.001 --sums SHA256SUMS\n"},
          [options, &common] { return run_join(*options, common); }};
}

}  // namespace varnelo::command
