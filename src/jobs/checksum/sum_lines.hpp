#pragma once

// Lists of checksums in the forms sha256sum and its siblings print and read: the names of the
// algorithms, how a name is written in a line, and how a line is read back. The sum command and
// the join of a listed set share them.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/digest_set.hpp"
#include "io/file.hpp"

namespace varnelo {

struct AlgorithmName {
  Algorithm algorithm;
  const char* option;
  const char* tag;
  // The extension of a list of its sums, as in NAME.sha256.
  const char* extension;
};

// In the order several digests of one file are printed.
inline constexpr std::array<AlgorithmName, algorithm_count> algorithm_names = {{
    {Algorithm::sha512, "--sha512", "SHA512", "sha512"},
    {Algorithm::sha384, "--sha384", "SHA384", "sha384"},
    {Algorithm::sha256, "--sha256", "SHA256", "sha256"},
    {Algorithm::sha224, "--sha224", "SHA224", "sha224"},
    {Algorithm::sha1, "--sha1", "SHA1", "sha1"},
    {Algorithm::ripemd160, "--ripemd160", "RMD160", "ripemd160"},
    {Algorithm::md5, "--md5", "MD5", "md5"},
    {Algorithm::checksum64, "--checksum64", "CHECKSUM64", "checksum64"},
}};

const char* tag_of(Algorithm algorithm);

// A name as the standard tools print it: a line whose name holds a backslash, a line feed or a
// carriage return starts with a backslash, and those characters are written as escapes.
struct PrintedName {
  bool escaped = false;
  std::string text;
};
PrintedName printed_name(const std::string& name);

// "HEX  NAME" and a line feed, as sha256sum prints it.
std::string sum_line(const std::string& digest, const std::string& name);

// The longest line a list may hold: a name of the longest path, every character escaped, in
// the longest tagged form. A longer one is no sum line, and is never held whole.
inline constexpr std::size_t longest_line = 2 * 4096 + 256;

// The lines of a list (ended by a line feed, or by NUL), one at a time, in bounded memory, taken
// as the list delivers them.
class LineReader {
 public:
  explicit LineReader(File& file, char end = '\n')
      : file_(file), end_of_line_(end), buffer_(std::size_t{1} << 16) {}

  enum class Got { line, too_long, end };
  // The next line without its end; too_long when it runs past longest_line, which is
  // then not read to its end. end also after a read error (the file says which).
  Got next(std::string& line);

 private:
  File& file_;
  char end_of_line_;
  std::vector<char> buffer_;
  std::size_t start_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
};

// One line of a sums file, understood: its digest may be that of any of the algorithms given.
struct SumLine {
  std::vector<Algorithm> algorithms;
  std::string digest;
  std::string name;
};

// The algorithms a check takes: those chosen, or every one.
using Allowed = std::array<bool, algorithm_count>;

// How the untagged lines of a list part digest and name, as its first one did.
enum class Separation { unknown, one_blank, marked };

// "TAG (NAME) = HEX" (blanks around "=" and before "(" optional), or "HEX  NAME", "HEX *NAME",
// "HEX NAME" and "HEX<tab>NAME", with the algorithm told by the length of HEX (40 digits are
// SHA-1 or RIPEMD-160). nullopt for a line in no such form, of an algorithm not allowed, or
// whose name holds a NUL, which no file name can.
std::optional<SumLine> parse_line(std::string_view line, const Allowed& chosen, Separation& separation);

// A listed digest against a computed one (lower case), in any case.
bool same_digest(const std::string& listed, const std::string& computed);

}  // namespace varnelo
