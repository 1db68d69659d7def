// The encrypt and decrypt commands: the same bytes as the cipher screens for the same choices.

#include <optional>
#include <string>

#include "command/command.hpp"
#include "command/files.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "crypt/transform.hpp"
#include "io/block_pump.hpp"

namespace varnelo::command {

namespace {

const Both label = {"Processing, please wait...\n", "Sedang diproses, silahkan tunggu...\n"};

struct CipherOptions {
  bool xor_cipher = false;
  bool add = false;
  std::optional<std::string> key;
  std::string key_file;
  std::vector<std::string> files;
};

int run_cipher(const CipherOptions& options, const Common& common, bool decrypt) {
  if (options.xor_cipher == options.add) {
    complain("choose one cipher: --xor or --add", "pilih satu sandi: --xor atau --add");
    return bad_usage;
  }
  if (options.key.has_value() == !options.key_file.empty()) {
    complain("give one key: --key TEXT or --key-file FILE",
             "berikan satu kunci: --key TEKS atau --key-file BERKAS");
    return bad_usage;
  }
  if (options.files.size() != 2) {
    complain("IN and OUT are both needed", "MASUKAN dan KELUARAN keduanya diperlukan");
    return bad_usage;
  }
  if (options.key && options.key->empty()) {
    complain("the text key is empty", "kunci teksnya kosong");
    return bad_usage;
  }
  // The additive cipher adds to encrypt and subtracts to decrypt; XOR undoes itself.
  const unsigned operation = options.xor_cipher ? cipher_xor : decrypt ? cipher_subtract : cipher_add;

  std::optional<File> input = open_input(options.files[0]);
  if (!input) return trouble;
  std::optional<std::int64_t> size = input_size(*input);
  if (!size) return trouble;
  std::optional<File> key_file;
  std::int64_t key_size = 0;
  if (!options.key) {
    if (options.key_file == "-") {
      complain("the key must be a file, not standard input",
               "kunci harus berupa berkas, bukan masukan standar");
      return trouble;
    }
    key_file = open_input(options.key_file);
    if (!key_file) return trouble;
    std::optional<std::int64_t> measured = input_size(*key_file);
    if (!measured) return trouble;
    key_size = *measured;
    // An empty key has no byte to key the data with; an empty input needs none.
    if (key_size == 0 && *size != 0) {
      complain("key file %s is empty", "berkas kunci %s kosong", quote(options.key_file).c_str());
      return trouble;
    }
  }
  std::optional<Destination> output = open_destination(
      options.files[1], key_file ? identities({&*input, &*key_file}) : identities({&*input}), common.force);
  if (!output) return trouble;

  std::optional<RepeatingKey> text_key;
  std::optional<FileKey> source;
  std::optional<KeyFileStream> key_stream;
  if (options.key) {
    text_key.emplace(
        std::span(reinterpret_cast<const std::uint8_t*>(options.key->data()), options.key->size()));
  } else {
    source.emplace(*key_file);
    key_stream.emplace(*source, key_size);
  }
  Progress progress(common, label, *size != BlockPump::to_the_end);
  const TransformFault fault = transform(
      *input, *size, output->file(),
      [&](std::uint8_t* data, std::size_t count) {
        if (key_stream) return key_stream->apply(operation, data, count);
        text_key->apply(operation, data, count);
        return true;
      },
      progress.display());
  if (fault == TransformFault::read) report_read_failure(input->path());
  if (fault == TransformFault::key) report_read_failure(key_file->path());
  if (fault == TransformFault::write) report_write_failure(output->path());
  if (fault != TransformFault::none) return trouble;
  return output->commit() ? success : trouble;
}

Command cipher_command(Parser& program, Common& common, bool decrypt) {
  auto options = std::make_shared<CipherOptions>();
  CLI::App* parser = program.add_subcommand(decrypt ? "decrypt" : "encrypt");
  parser->add_flag("--xor", options->xor_cipher);
  parser->add_flag("--add", options->add);
  parser->add_option("--key", options->key);
  parser->add_option("--key-file", options->key_file);
  parser->add_option("FILE", options->files);
  add_common_options(*parser, common, true);
  Command command{
      parser, {}, {}, [options, &common, decrypt] { return run_cipher(*options, common, decrypt); }};
  if (decrypt) {
    command.usage = {"varnelo decrypt (--xor | --add) (--key TEXT | --key-file FILE) IN OUT\n",
                     "varnelo decrypt (--xor | --add) (--key TEKS | --key-file BERKAS) MASUKAN KELUARAN\n"};
    command.help = {
        "      Undoes encrypt with the same cipher and key: --add subtracts what encrypt added.\n"
        "      Example: varnelo decrypt --add --key-file pad.bin letter.enc letter.txt\n",
        "      Membatalkan encrypt dengan sandi dan kunci yang sama: --add mengurangkan yang\n"
        "      ditambahkan encrypt.\n"
        "      Contoh: varnelo decrypt --add --key-file pad.bin letter.enc letter.txt\n"};
  } else {
    command.usage = {"varnelo encrypt (--xor | --add) (--key TEXT | --key-file FILE) IN OUT\n",
                     "varnelo encrypt (--xor | --add) (--key TEKS | --key-file BERKAS) MASUKAN KELUARAN\n"};
    command.help = {
        "      XOR, or add (the menus' one-time-pad), each byte with the key's bytes in turn, the\n"
        "      key repeating from its start as often as needed; the same bytes as the menus.\n"
        "      These ciphers keep casual eyes out; they are no cryptographic protection.\n"
        "      A key that starts with \"-\" is given as --key=TEXT.\n"
        "      Example: varnelo encrypt --add --key-file pad.bin letter.txt letter.enc\n",
        "      XOR, atau tambahkan (one-time-pad di menu), setiap byte dengan byte kunci secara\n"
        "      bergiliran, kunci berulang dari awal sesering perlu; byte yang sama dengan menu.\n"
        "      Sandi ini menjauhkan mata iseng; bukan perlindungan kriptografis.\n"
        "      Kunci yang diawali \"-\" diberikan sebagai --key=TEKS.\n"
        "      Contoh: varnelo encrypt --add --key-file pad.bin letter.txt letter.enc\n"};
  }
  return command;
}

}  // namespace

Command encrypt_command(Parser& program, Common& common) {
  return cipher_command(program, common, false);
}

Command decrypt_command(Parser& program, Common& common) {
  return cipher_command(program, common, true);
}

}  // namespace varnelo::command
