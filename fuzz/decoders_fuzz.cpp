// The three decoders on fuzzed text, fed in pieces of fuzzed sizes through every loop variant
// the processor has, checked against the reading rules taken one character at a time; and the
// encoders on the same bytes taken as data, checked against the layout rules and decoded back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "encoding/text_codec.hpp"
#include "support/cpu_features.hpp"
#include "tests/encoding/reference_codec.hpp"

using namespace varnelo;

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// Piece lengths from a small seed: 1 to 64 bytes, now and then a long stretch.
class Pieces {
 public:
  explicit Pieces(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
  std::size_t next() {
    state_ = state_ * 1103515245u + 12345u;
    std::uint32_t pick = state_ >> 16;
    return pick % 16 == 0 ? 1 + pick % 5000 : 1 + pick % 64;
  }

 private:
  std::uint32_t state_;
};

std::string decode_in_pieces(Notation notation, const std::string& text, std::uint32_t seed) {
  TextDecoder decoder(notation);
  Pieces pieces(seed);
  std::string data;
  std::vector<std::uint8_t> out;
  for (std::size_t at = 0; at < text.size() && !decoder.ended();) {
    std::size_t length = std::min(pieces.next(), text.size() - at);
    out.assign(TextDecoder::max_data(length), 0);
    std::size_t made = decoder.decode(text.data() + at, length, out.data());
    check(made <= out.size());
    data.append(reinterpret_cast<const char*>(out.data()), made);
    at += length;
  }
  out.assign(TextDecoder::max_data(0), 0);
  std::size_t made = decoder.finish(out.data());
  check(made <= 2);
  data.append(reinterpret_cast<const char*>(out.data()), made);
  return data;
}

std::string encode_in_pieces(Notation notation, std::uint16_t bytes_per_line, const std::string& data,
                             std::uint32_t seed) {
  TextEncoder encoder(notation, bytes_per_line);
  Pieces pieces(seed);
  std::string text;
  std::vector<char> out;
  for (std::size_t at = 0; at < data.size();) {
    std::size_t length = std::min(pieces.next(), data.size() - at);
    out.assign(encoder.max_text(length), 0);
    std::size_t made =
        encoder.encode(reinterpret_cast<const std::uint8_t*>(data.data()) + at, length, out.data());
    check(made <= encoder.max_text(length));
    text.append(out.data(), made);
    at += length;
  }
  out.assign(encoder.max_text(0), 0);
  text.append(out.data(), encoder.finish(out.data()));
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 4) return 0;
  auto notation = static_cast<Notation>(bytes[0] % 3);
  // No features, SSSE3 alone, or everything the processor has: the portable, SSSE3 or AVX2 loops.
  const CpuFeatures levels[] = {{}, {.ssse3 = true}, every_cpu_feature};
  CpuFeaturesOverride loops(levels[bytes[1] % 3]);
  std::uint32_t seed = bytes[2] | static_cast<std::uint32_t>(bytes[3]) << 8;
  std::string input(reinterpret_cast<const char*>(bytes + 4), size - 4);

  check(decode_in_pieces(notation, input, seed) == testing::reference_decode(notation, input));

  // Line lengths near the edges (1 and 2 are special in base 64) and anywhere up to 65,535.
  auto bytes_per_line = static_cast<std::uint16_t>(seed % 8 < 4 ? 1 + seed % 8 : 1 + seed % 65535);
  std::string text = encode_in_pieces(notation, bytes_per_line, input, seed >> 3);
  check(text == testing::reference_encode(notation, input, bytes_per_line));
  check(TextEncoder(notation, bytes_per_line).text_size(input.size()) == text.size());
  check(decode_in_pieces(notation, text, seed >> 5) == input);
  return 0;
}
