// Checksum sessions: every type on a known message, the result lines, the clipboard offer in
// its place, the text that was copied, and the refusals.
#include <string>
#include <vector>

#include "acceptance.hpp"

namespace varnelo::acceptance {
namespace {

using testing::TempDir;

std::string head(Language language) {
  return banner(language == english ? "CHECKSUM" : "CEKSUM") +
         pick(
             language,
             "Checksum type :\n1) SHA-2 Checksum (224-512 bit)\n2) SHA-1 Checksum (160 bit)\n"
             "3) RIPEMD-160 Checksum (160 bit)\n4) MD5 Checksum (128 bit)\n5) Checksum64 (64 bit)\nChoice : ",
             "Jenis Ceksum :\n1) Ceksum SHA-2 (224-512 bit)\n2) Ceksum SHA-1 (160 bit)\n"
             "3) Ceksum RIPEMD-160 (160 bit)\n4) Ceksum MD5 (128 bit)\n5) Ceksum64 (64-bit)\nPilihanmu : ");
}

std::string path_prompt(Language language) {
  return pick(language,
              "input path and filename to check : ", "masukkan alamat dan nama berkas untuk dicek : ");
}

std::string variant_question(Language language) {
  return pick(language,
              "Select SHA-2 Checksum type :\n1) 512 bit\n2) 384 bit\n3) 256 bit\n4) 224 bit\nChoice : ",
              "Pilih jenis ceksum SHA-2 :\n1) 512 bit\n2) 384 bit\n3) 256 bit\n4) 224 bit\nPilihanmu : ");
}

std::string offer(Language language) {
  return pick(language, "Copy data output to clipbard (Y/N) ? ", "Salin keluaran data ke papanklip (Y/T) ? ");
}

std::string could_not_open(Language language, const std::string& path) {
  return pick(language, "Could not open file : \"", "Tidak dapat membuka berkas : \"") + path + "\"\n";
}

std::string session_start(Language language) {
  return start(language) + head(language);
}

std::string after_screen(Language language) {
  return pause(language) + main_menu(language);
}

struct BlockHash {
  const char* name;
  std::string answers;  // type, and variant for SHA-2
  bool sha2;
  const char* width;
  const char* digest;
  const char* english_name;  // in the result and confirmation texts
  bool same_line;
};

const std::vector<BlockHash> block_hashes = {
    {"SHA-512", "1\n", true, "512",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d442"
     "3643ce80e2a"
     "9ac94fa54ca49f",
     "SHA-2", false},
    {"SHA-384", "2\n", true, "384",
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7",
     "SHA-2", false},
    {"SHA-256", "3\n", true, "256", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
     "SHA-2", false},
    {"SHA-224", "4\n", true, "224", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7", "SHA-2",
     false},
    {"SHA-1", "", false, "", "a9993e364706816aba3e25717850c26c9cd0d89d", "SHA-1", false},
    {"RIPEMD-160", "", false, "", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc", "RIPEMD-160", false},
    {"MD5", "", false, "", "900150983cd24fb0d6963f7d28e17f72", "MD5", true},
};

std::string type_answer(const BlockHash& hash) {
  if (hash.sha2) return "1\n";
  return std::string(hash.english_name) == "SHA-1" ? "2\n" : hash.english_name[0] == 'R' ? "3\n" : "4\n";
}

// The lead-in and tail around the path, as printed and as copied.
std::string result_line(Language language, const BlockHash& hash, const std::string& path) {
  std::string name = hash.sha2 ? std::string("SHA-2 (") + hash.width + " bit)" : hash.english_name;
  std::string tail =
      hash.same_line ? pick(language, " is : ", " adalah : ") : pick(language, " is :\n", " adalah :\n");
  return pick(language, name + " Checksum for file ", "Ceksum " + name + " untuk berkas ") + path + tail +
         hash.digest;
}

std::string copied(Language language, const BlockHash& hash) {
  return pick(language, std::string(hash.english_name) + " Checksum has been copied to clipboard.",
              "Ceksum " + std::string(hash.english_name) + " telah disalin ke papanklip.");
}

TEST(ChecksumSessions, BlockHashesPrintTheirDigestThenTheTimeThenOfferTheClipboard) {
  for (Language language : {english, indonesian}) {
    for (const BlockHash& hash : block_hashes) {
      TempDir dir;
      dir.write("abc", "abc");
      std::string decline = language == english ? "n\n" : "t\n";
      std::string accept = language == english ? "T\n" : "N\n";  // only the language's "no" letter declines
      // Declined, then accepted; the copied text is shown back through "?" at a path prompt.
      Outcome outcome = run(std::string(language == english ? "1\n" : "2\n") + "4\n" + type_answer(hash) +
                                "abc\n" + hash.answers + decline + "\n4\n" + type_answer(hash) + "abc\n" +
                                hash.answers + accept + "\n4\n1\n?\n\n6\n",
                            dir);
      std::string label = hash.sha2 ? pick(language, "Generating SHA-2 checksum, please wait...\n",
                                           "Menciptakan ceksum SHA-2, silahkan tunggu...\n")
                                    : pick(language, "Generating checksum, please wait...\n",
                                           "Menciptakan ceksum, silahkan tunggu...\n");
      std::string run_through = path_prompt(language) + (hash.sha2 ? variant_question(language) : "") +
                                progress_start(language, label) + completion(language) +
                                result_line(language, hash, "abc") + "\n" + running_time(language) +
                                offer(language);
      EXPECT_EQ(outcome.exit_code, 0) << hash.name;
      EXPECT_EQ(outcome.output, session_start(language) + run_through + after_screen(language) +
                                    head(language) + run_through + copied(language, hash) +
                                    after_screen(language) + head(language) + path_prompt(language) +
                                    could_not_open(language, result_line(language, hash, "abc")) +
                                    after_screen(language))
          << hash.name;
    }
  }
}

TEST(ChecksumSessions, Checksum64OffersTheClipboardBeforeTheTimeAndCopiesEnglish) {
  for (Language language : {english, indonesian}) {
    TempDir dir;
    dir.write("abc", "abc");
    dir.write("empty", "");
    Outcome outcome = run(
        std::string(language == english ? "1\n" : "2\n") + "4\n5\nempty\nn\n\n4\n5\nabc\ny\n\n4\n5\n?\n\n6\n",
        dir);
    std::string label =
        pick(language, "Generating checksum, please wait...\n", "Menciptakan ceksum, silahkan tunggu...\n");
    auto result = [&](const std::string& path, const std::string& value) {
      return pick(language, "Checksum for file ", "Ceksum (kode sidik jari) dari file ") + path +
             pick(language, " is : ", " adalah : ") + value + "\n";
    };
    // "n" declines in English only; in Indonesian it copies.
    std::string after_n = language == english ? "" : "Ceksum telah disalin ke papanklip.";
    EXPECT_EQ(
        outcome.output,
        session_start(language) + path_prompt(language) + progress_start(language, label) +
            completion(language) + result("empty", "204967e9132b3e81") + offer(language) + after_n +
            running_time(language) + after_screen(language) + head(language) + path_prompt(language) +
            progress_start(language, label) + completion(language) + result("abc", "4be3e85a17edffec") +
            offer(language) +
            pick(language, "Checksum has been copied to clipboard.", "Ceksum telah disalin ke papanklip.") +
            running_time(language) + after_screen(language) + head(language) + path_prompt(language) +
            could_not_open(language, "Checksum for file abc is : 4be3e85a17edffec\n") +
            after_screen(language));
  }
}

TEST(ChecksumSessions, Refusals) {
  for (Language language : {english, indonesian}) {
    std::string invalid = pick(language, "Invalid Choice!", "Pilihan tidak tersedia!");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0\n", invalid},
        {"6\n", invalid},
        {" \n", invalid},
        {"3\nmissing\n", path_prompt(language) + could_not_open(language, "missing")},
        {"1\nabc\n5\n", path_prompt(language) + variant_question(language) + invalid},
        {"1\nabc\n \n", path_prompt(language) + variant_question(language) + invalid},
    };
    for (const auto& [answers, shown] : cases) {
      TempDir dir;
      dir.write("abc", "abc");
      Outcome outcome =
          run(std::string(language == english ? "1\n" : "2\n") + "4\n" + answers + "\n6\n", dir);
      EXPECT_EQ(outcome.exit_code, 0) << answers;
      EXPECT_EQ(outcome.output, session_start(language) + shown + after_screen(language)) << answers;
    }
  }
}

}  // namespace
}  // namespace varnelo::acceptance
