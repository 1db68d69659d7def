// The encode and decode commands: the same text and the same bytes as the menus for the same
// choices.

#include <optional>
#include <string>

#include "command/command.hpp"
#include "command/files.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "encoding/jobs.hpp"
#include "shell/labels.hpp"

namespace varnelo::command {

namespace {

struct CodecOptions {
  bool binary = false;
  bool hexadecimal = false;
  bool base64 = false;
  bool ignore_garbage = false;
  std::string per_line;
  std::vector<std::string> files;
};

// Lines of about 72 to 76 characters: 8 bytes in binary, 24 in hexadecimal, and base 64's
// customary 76 characters (the count includes the line feed).
std::uint16_t default_per_line(Notation notation) {
  return notation == Notation::binary ? 8 : notation == Notation::hexadecimal ? 24 : 77;
}

int run_codec(const CodecOptions& options, const Common& common, bool encode) {
  if (options.binary + options.hexadecimal + options.base64 != 1) {
    complain("choose one notation: --binary, --hex or --base64",
             "pilih satu notasi: --binary, --hex atau --base64");
    return bad_usage;
  }
  if (options.files.size() != 2) {
    complain("IN and OUT are both needed", "MASUKAN dan KELUARAN keduanya diperlukan");
    return bad_usage;
  }
  const Notation notation = options.binary        ? Notation::binary
                            : options.hexadecimal ? Notation::hexadecimal
                                                  : Notation::mime;
  std::uint16_t per_line = default_per_line(notation);
  if (!options.per_line.empty()) {
    std::optional<std::uint64_t> chosen = whole_number("--per-line", options.per_line, 1, 65535);
    if (!chosen) return bad_usage;
    per_line = static_cast<std::uint16_t>(*chosen);
  }
  std::optional<Input> input = take_input(options.files[0]);
  if (!input) return trouble;
  std::optional<Output> output = take_output(options.files[1], identities({&input->file}), common);
  if (!output) return trouble;

  Progress progress(common, encode ? encode_label(notation) : decode_label(notation));
  const Reading reading = options.ignore_garbage ? Reading::tolerant : Reading::strict;
  const Conversion conversion =
      encode ? encode_file(input->file, input->size, *output, notation, per_line, progress.display())
             : decode_file(input->file, input->size, *output, notation, progress.display(), reading);
  if (conversion.fault) {
    complain(conversion.fault);
    return trouble;
  }
  // Text that is not in the notation is refused as base64 -d refuses it, with status 1.
  const std::string path = quote(options.files[0]);
  const auto offset = static_cast<unsigned long long>(conversion.text_fault.offset);
  switch (conversion.text_fault.kind) {
    case TextFault::invalid_character:
      complain("invalid character in %s at byte %llu", "karakter tidak sah dalam %s pada byte %llu",
               path.c_str(), offset);
      return negative;
    case TextFault::incomplete_group:
      complain("%s ends in an incomplete group from byte %llu",
               "%s berakhir dengan kelompok tidak lengkap mulai byte %llu", path.c_str(), offset);
      return negative;
    case TextFault::none:
      break;
  }
  return success;
}

Command codec_command(Parser& program, Common& common, bool encode) {
  auto options = std::make_shared<CodecOptions>();
  CLI::App* parser = program.add_subcommand(encode ? "encode" : "decode");
  parser->add_flag("--binary", options->binary);
  parser->add_flag("--hex", options->hexadecimal);
  parser->add_flag("--base64", options->base64);
  if (encode) parser->add_option("--per-line", options->per_line);
  if (!encode) parser->add_flag("-i,--ignore-garbage", options->ignore_garbage);
  parser->add_option("FILE", options->files);
  add_common_options(*parser, common, true);
  Command command{parser, {}, {}, [options, &common, encode] { return run_codec(*options, common, encode); }};
  if (encode) {
    command.usage = {"varnelo encode (--binary | --hex | --base64) [--per-line N] IN OUT\n",
                     "varnelo encode (--binary | --hex | --base64) [--per-line N] MASUKAN KELUARAN\n"};
    command.help = {
        "      Writes IN as text, the same text as the menus: eight 0/1 digits or two hexadecimal\n"
        "      digits per byte, N bytes per line (default 8 and 24), or base 64 in lines of N\n"
        "      characters counting the line feed (default 77: 76 characters and the line feed).\n"
        "      N is 1 to 65535. OUT is written as named; no .txt is added.\n"
        "      Example: varnelo encode --base64 photo.jpg photo.txt\n",
        "      Menulis MASUKAN sebagai teks, teks yang sama dengan menu: delapan digit 0/1 atau dua\n"
        "      digit heksadesimal per byte, N byte per baris (bawaan 8 dan 24), atau basis 64\n"
        "      dalam baris N karakter termasuk ganti baris (bawaan 77: 76 karakter dan ganti\n"
        "      baris). N adalah 1 sampai 65535. KELUARAN ditulis sesuai namanya; tanpa .txt.\n"
        "      Contoh: varnelo encode --base64 photo.jpg photo.txt\n"};
  } else {
    command.usage = {"varnelo decode (--binary | --hex | --base64) [--ignore-garbage] IN OUT\n",
                     "varnelo decode (--binary | --hex | --base64) [--ignore-garbage] MASUKAN KELUARAN\n"};
    command.help = {
        "      Turns such text back into bytes. Blanks, tabs and line ends may stand anywhere;\n"
        "      any other character outside the notation, or a last byte or group left\n"
        "      incomplete, is an error (status 1, with its byte counted from 0) and OUT is not\n"
        "      written. Hexadecimal takes either case; base 64 takes the standard alphabet in\n"
        "      groups of four, the last padded with \"=\", and text after a padded group goes on\n"
        "      (joined files). -i, --ignore-garbage decodes as the menus do: every character\n"
        "      outside the notation is skipped, and base 64 ends at its first \"=\".\n"
        "      IN is read as named; no .txt is tried.\n"
        "      Example: varnelo decode --base64 photo.txt photo.jpg\n",
        "      Mengubah teks itu kembali menjadi byte. Spasi, tab dan akhir baris boleh ada di\n"
        "      mana saja; karakter lain di luar notasinya, atau byte atau kelompok terakhir yang\n"
        "      tidak lengkap, adalah kesalahan (status 1, dengan byte-nya dihitung dari 0) dan\n"
        "      KELUARAN tidak ditulis. Heksadesimal menerima kedua jenis huruf; basis 64 menerima\n"
        "      abjad standar dalam kelompok empat, yang terakhir diisi \"=\", dan teks sesudah\n"
        "      kelompok berisi \"=\" berlanjut (berkas yang digabung). -i, --ignore-garbage\n"
        "      mengubah seperti menu: setiap karakter di luar notasinya dilewati, dan basis 64\n"
        "      berakhir pada \"=\" pertamanya. MASUKAN dibaca sesuai namanya; tanpa .txt.\n"
        "      Contoh: varnelo decode --base64 photo.txt photo.jpg\n"};
  }
  return command;
}

}  // namespace

Command encode_command(Parser& program, Common& common) {
  return codec_command(program, common, true);
}

Command decode_command(Parser& program, Common& common) {
  return codec_command(program, common, false);
}

}  // namespace varnelo::command
