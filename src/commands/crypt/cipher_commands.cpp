// The encrypt and decrypt commands: the same bytes as the cipher screens for the same choices.

#include <optional>
#include <string>

#include "command/command.hpp"
#include "command/files.hpp"
#include "command/messages.hpp"
#include "command/progress.hpp"
#include "command/results.hpp"
#include "crypt/cipher.hpp"
#include "crypt/jobs.hpp"
#include "shell/labels.hpp"

namespace varnelo::command {

namespace {

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

  std::optional<Input> input = take_input(options.files[0]);
  if (!input) return trouble;
  std::optional<Input> key_file;
  if (!options.key) {
    if (options.key_file == "-") {
      complain("the key must be a file, not standard input",
               "kunci harus berupa berkas, bukan masukan standar");
      return trouble;
    }
    key_file = take_measured_input(options.key_file, "--key-file");
    if (!key_file) return trouble;
    if (!key_fits(key_file->size, input->size)) {
      complain("key file %s is empty", "berkas kunci %s kosong", quote(options.key_file).c_str());
      return trouble;
    }
  }
  std::optional<Output> output = take_output(
      options.files[1], key_file ? identities({&input->file, &key_file->file}) : identities({&input->file}),
      common);
  if (!output) return trouble;

  CipherKey key;
  if (key_file)
    key = {.file = &key_file->file, .file_size = key_file->size};
  else
    key = {.text =
               std::span(reinterpret_cast<const std::uint8_t*>(options.key->data()), options.key->size())};
  Progress progress(common, cipher_label);
  if (FileFault fault = apply_cipher(input->file, input->size, *output, operation, key, progress.display())) {
    complain(fault);
    return trouble;
  }
  return success;
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
        "      Nothing checks the key: with a wrong one decrypt succeeds and writes wrong bytes.\n"
        "      Example: varnelo decrypt --add --key-file pad.bin letter.enc letter.txt\n",
        "      Membatalkan encrypt dengan sandi dan kunci yang sama: --add mengurangkan yang\n"
        "      ditambahkan encrypt.\n"
        "      Tidak ada yang memeriksa kunci: dengan kunci yang salah decrypt berhasil dan\n"
        "      menulis byte yang salah.\n"
        "      Contoh: varnelo decrypt --add --key-file pad.bin letter.enc letter.txt\n"};
  } else {
    command.usage = {"varnelo encrypt (--xor | --add) (--key TEXT | --key-file FILE) IN OUT\n",
                     "varnelo encrypt (--xor | --add) (--key TEKS | --key-file BERKAS) MASUKAN KELUARAN\n"};
    command.help = {
        "      XOR, or add (the menus' one-time-pad), each byte with the key's bytes in turn, the\n"
        "      key repeating from its start as often as needed; the same bytes as the menus.\n"
        "      These ciphers keep casual eyes out; they are no cryptographic protection.\n"
        "      Nothing checks the key: with a wrong one decrypt succeeds and writes wrong bytes.\n"
        "      A key that starts with \"-\" is given as --key=TEXT.\n"
        "      Example: varnelo encrypt --add --key-file pad.bin letter.txt letter.enc\n",
        "      XOR, atau tambahkan (one-time-pad di menu), setiap byte dengan byte kunci secara\n"
        "      bergiliran, kunci berulang dari awal sesering perlu; byte yang sama dengan menu.\n"
        "      Sandi ini menjauhkan mata iseng; bukan perlindungan kriptografis.\n"
        "      Tidak ada yang memeriksa kunci: dengan kunci yang salah decrypt berhasil dan\n"
        "      menulis byte yang salah.\n"
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
