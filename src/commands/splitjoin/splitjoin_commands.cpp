// The split and join commands: the same pieces as the menus make and join, named and counted
// the same way.

#include <cctype>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "command/command.hpp"
#include "command/files.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "splitjoin/copy.hpp"
#include "splitjoin/pieces.hpp"

namespace varnelo::command {

namespace {

const Both split_label = {"splitting file, please wait...\n", "Memotong berkas, silahkan tunggu...\n"};

struct SplitOptions {
  std::string file;
  std::string pieces;
  std::string size;
  std::string prefix;
};

// A piece size: digits, then B, KB, MB or GB counted in 1024s (any case); nullopt after the message.
std::optional<std::int64_t> piece_size(const std::string& text) {
  std::size_t digits = 0;
  while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
    ++digits;
  std::string unit;
  for (char c : text.substr(digits))
    unit += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::int64_t factor = unit.empty() || unit == "B" ? 1
                              : unit == "KB"              ? std::int64_t{1} << 10
                              : unit == "MB"              ? std::int64_t{1} << 20
                              : unit == "GB"              ? std::int64_t{1} << 30
                                                          : 0;
  const std::int64_t largest = std::numeric_limits<std::int64_t>::max();
  if (digits > 0 && digits <= 18 && factor > 0) {
    const std::int64_t count = std::stoll(text.substr(0, digits));
    if (count > 0 && count <= largest / factor) return count * factor;
  }
  complain(
      "--size takes a size of at least one byte, such as 4096, 640KB, 700MB or 4GB, not '%s'",
      "--size memerlukan ukuran paling sedikit satu byte, seperti 4096, 640KB, 700MB atau 4GB, bukan '%s'",
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

int run_split(const SplitOptions& options, const Common& common) {
  if (options.file.empty()) {
    complain("split needs the FILE to cut", "split memerlukan BERKAS yang dipotong");
    return bad_usage;
  }
  if (options.file == "-") {
    complain("split needs a file it can measure, not standard input",
             "split memerlukan berkas yang dapat diukur, bukan masukan standar");
    return bad_usage;
  }
  if (options.pieces.empty() == options.size.empty()) {
    complain("split takes either --pieces or --size", "split memerlukan --pieces atau --size, salah satu");
    return bad_usage;
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

  std::optional<File> input = open_input(options.file);
  if (!input) return trouble;
  std::optional<std::int64_t> size = input_size(*input);
  if (!size) return trouble;
  const std::vector<std::int64_t> sizes = plan_pieces(plan, options.file, *size);
  if (sizes.empty()) return trouble;

  // Every piece is looked at before the first is written, so a refusal leaves every file as it was.
  std::vector<std::string> names;
  const std::vector<FileIdentity> avoid = identities({&*input});
  for (std::string name = splitjoin::first_piece_name(options.prefix.empty() ? options.file : options.prefix);
       names.size() < sizes.size(); splitjoin::advance_suffix(name)) {
    if (!admit_output(name, avoid, common.force)) return trouble;
    names.push_back(name);
  }
  Progress progress(common, split_label);
  const splitjoin::CopyFault fault = splitjoin::write_pieces(
      *input, *size, sizes,
      [&](std::size_t k) -> std::optional<Output> {
        std::optional<Output> piece = Output::open(names[k]);
        if (!piece) complain("cannot write %s", "tidak dapat menulis %s", quote(names[k]).c_str());
        return piece;
      },
      progress.display());
  if (fault.kind == splitjoin::CopyFault::read) report_read_failure(fault.path);
  if (fault.kind == splitjoin::CopyFault::write) report_write_failure(fault.path);
  return fault.kind == splitjoin::CopyFault::none ? success : trouble;
}

struct JoinOptions {
  std::vector<std::string> pieces;
  std::string output;
};

void report_too_large() {
  complain("the pieces add up to more than a file can hold",
           "jumlah potongan melebihi ukuran berkas terbesar");
}

const Both join_label = {"Joining file, please wait...\n", "Menggabung berkas, silahkan tunggu...\n"};

int run_join(const JoinOptions& options, const Common& common) {
  if (options.pieces.empty()) {
    complain("join needs the first piece, or the pieces to join",
             "join memerlukan potongan pertama, atau potongan-potongan yang digabung");
    return bad_usage;
  }
  std::vector<std::string> names;
  std::vector<FileIdentity> avoid;
  std::int64_t total = 0;
  std::string output_path = options.output;
  if (options.pieces.size() == 1) {
    // NAME.001 or NAME: the pieces are counted from NAME.001 on, as the menu counts them.
    std::string first = options.pieces[0];
    if (!splitjoin::names_first_piece(first)) first += splitjoin::first_suffix;
    if (!File::open_read(first)) {
      complain("cannot open %s", "tidak dapat membuka %s", quote(first).c_str());
      return trouble;
    }
    if (output_path.empty()) output_path = first.substr(0, first.size() - splitjoin::first_suffix.size());
    const splitjoin::PieceSet set = splitjoin::count_pieces(first);
    if (set.fault == splitjoin::PieceSet::unopened)
      complain("cannot open %s", "tidak dapat membuka %s", quote(set.path).c_str());
    if (set.fault == splitjoin::PieceSet::unmeasured) report_read_failure(set.path);
    if (set.fault == splitjoin::PieceSet::too_large) report_too_large();
    if (set.fault != splitjoin::PieceSet::none) return trouble;
    for (std::string name = first; names.size() < set.count; splitjoin::advance_suffix(name))
      names.push_back(name);
    avoid = splitjoin::piece_identities(first);
    total = set.total;
  } else {
    if (output_path.empty()) {
      complain("a join of pieces listed needs -o OUT",
               "penggabungan potongan yang didaftar memerlukan -o KELUARAN");
      return bad_usage;
    }
    for (const std::string& name : options.pieces) {
      // Every piece is opened twice, to be measured and then to be copied.
      if (name == "-") {
        complain("a piece must be a file, not standard input",
                 "potongan harus berupa berkas, bukan masukan standar");
        return bad_usage;
      }
      std::optional<File> piece = open_input(name);
      if (!piece) return trouble;
      std::optional<std::int64_t> size = input_size(*piece);
      if (!size) return trouble;
      if (!splitjoin::add_size(total, *size)) {
        report_too_large();
        return trouble;
      }
      names.push_back(name);
      if (std::optional<FileIdentity> identity = piece->identity()) avoid.push_back(*identity);
    }
  }
  std::optional<Destination> output = open_destination(output_path, avoid, common.force);
  if (!output) return trouble;
  Progress progress(common, join_label);
  const splitjoin::CopyFault fault = splitjoin::append_pieces(
      output->file(), names.size(), total,
      [&](std::size_t k) -> std::optional<File> {
        // A piece removed since it was counted is not skipped: the output would be silently short.
        std::optional<File> piece = File::open_read(names[k]);
        if (!piece) complain("cannot open %s", "tidak dapat membuka %s", quote(names[k]).c_str());
        return piece;
      },
      progress.display(), [&](std::int64_t end) { output->reserve(end); });
  if (fault.kind == splitjoin::CopyFault::read) report_read_failure(fault.path);
  if (fault.kind == splitjoin::CopyFault::write) report_write_failure(output->path());
  if (fault.kind != splitjoin::CopyFault::none) return trouble;
  return output->commit() ? success : trouble;
}

}  // namespace

Command split_command(Parser& program, Common& common) {
  auto options = std::make_shared<SplitOptions>();
  CLI::App* parser = program.add_subcommand("split");
  parser->add_option("FILE", options->file);
  parser->add_option("--pieces", options->pieces);
  parser->add_option("--size", options->size);
  parser->add_option("--prefix", options->prefix);
  add_common_options(*parser, common, true);
  return {parser,
          {"varnelo split FILE (--pieces N | --size SIZE) [--prefix P]\n",
           "varnelo split BERKAS (--pieces N | --size UKURAN) [--prefix P]\n"},
          {"      Cuts FILE into pieces P.001, P.002, ... (P is FILE unless --prefix is given).\n"
           "      --pieces N (1 to 999): pieces of equal size, rounded up, as the menu makes them,\n"
           "      so fewer than N when the rounding uses the file up early. --size SIZE: every piece\n"
           "      but the last has SIZE bytes; units B, KB, MB, GB count in 1024s; at most 999 pieces.\n"
           "      No piece is written when any of them exists already (unless --force).\n"
           "      Example: varnelo split backup.tar --size 700MB --prefix /media/usb/backup.tar\n",
           "      Memotong BERKAS menjadi potongan P.001, P.002, ... (P adalah BERKAS kecuali --prefix).\n"
           "      --pieces N (1 sampai 999): potongan berukuran sama, dibulatkan ke atas, seperti di\n"
           "      menu, jadi kurang dari N bila pembulatan menghabiskan berkas lebih awal. --size UKURAN:\n"
           "      setiap potongan kecuali yang terakhir berukuran UKURAN byte; satuan B, KB, MB, GB\n"
           "      dihitung per 1024; paling banyak 999 potongan. Tidak ada potongan yang ditulis bila\n"
           "      salah satunya sudah ada (kecuali --force).\n"
           "      Contoh: varnelo split backup.tar --size 700MB --prefix /media/usb/backup.tar\n"},
          [options, &common] { return run_split(*options, common); }};
}

Command join_command(Parser& program, Common& common) {
  auto options = std::make_shared<JoinOptions>();
  CLI::App* parser = program.add_subcommand("join");
  parser->add_option("PIECE", options->pieces);
  parser->add_option("-o,--output", options->output);
  add_common_options(*parser, common, true);
  return {parser,
          {"varnelo join FIRST [-o OUT]\nvarnelo join -o OUT PIECE...\n",
           "varnelo join PERTAMA [-o KELUARAN]\nvarnelo join -o KELUARAN POTONGAN...\n"},
          {"      With one name, NAME.001 or NAME, joins NAME.001, NAME.002, ... up to the first\n"
           "      number missing, into NAME unless -o is given. With several, joins those pieces in\n"
           "      the order given into OUT.\n"
           "      Example: varnelo join /media/usb/backup.tar.001 -o backup.tar\n",
           "      Dengan satu nama, NAMA.001 atau NAMA, menggabung NAMA.001, NAMA.002, ... sampai nomor\n"
           "      pertama yang tidak ada, menjadi NAMA kecuali -o diberikan. Dengan beberapa nama,\n"
           "      menggabung potongan-potongan itu sesuai urutannya menjadi KELUARAN.\n"
           "      Contoh: varnelo join /media/usb/backup.tar.001 -o backup.tar\n"},
          [options, &common] { return run_join(*options, common); }};
}

}  // namespace varnelo::command
