#include "encoding/text_codec.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::pattern_bytes;

const char* name_of(Notation notation) {
  switch (notation) {
    case Notation::binary:
      return "binary";
    case Notation::hexadecimal:
      return "hexadecimal";
    case Notation::mime:
      return "mime";
  }
  return "?";
}

constexpr Notation all_notations[] = {Notation::binary, Notation::hexadecimal, Notation::mime};

// The layout rules written out one byte and one character at a time, as plainly as they read.
std::string reference_encode(Notation notation, const std::string& data, std::uint16_t bytes_per_line) {
  std::string text;
  const std::size_t size = data.size();
  if (notation != Notation::mime) {
    for (std::size_t j = 0; j < size; ++j) {
      auto byte = static_cast<unsigned char>(data[j]);
      if (notation == Notation::binary) {
        for (int bit = 7; bit >= 0; --bit)
          text += static_cast<char>('0' + ((byte >> bit) & 1));
      } else {
        text += "0123456789abcdef"[byte >> 4];
        text += "0123456789abcdef"[byte & 15];
      }
      if (j + 1 == size) break;
      text += j % bytes_per_line == bytes_per_line - 1u ? '\n' : ' ';
    }
    return text;
  }
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::uint64_t written = 0;
  auto emit = [&](char c) {
    text += c;
    ++written;
    if (written % bytes_per_line == bytes_per_line - 1u) {
      text += '\n';
      ++written;
    }
  };
  auto at = [&](std::size_t i) { return i < size ? static_cast<unsigned char>(data[i]) : 0u; };
  std::size_t groups = size / 3, rest = size % 3;
  for (std::size_t g = 0; g < groups; ++g) {
    unsigned b0 = at(3 * g), b1 = at(3 * g + 1), b2 = at(3 * g + 2);
    emit(alphabet[b0 >> 2]);
    emit(alphabet[((b0 & 3) << 4) | (b1 >> 4)]);
    emit(alphabet[((b1 & 15) << 2) | (b2 >> 6)]);
    emit(alphabet[b2 & 63]);
  }
  if (rest != 0) {
    unsigned b0 = at(3 * groups), b1 = rest == 2 ? at(3 * groups + 1) : 0;
    emit(alphabet[b0 >> 2]);
    emit(alphabet[((b0 & 3) << 4) | (b1 >> 4)]);
    emit(rest == 2 ? alphabet[(b1 & 15) << 2] : '=');
    text += '=';
  }
  return text;
}

// The reading rules, one character at a time.
std::string reference_decode(Notation notation, const std::string& text) {
  std::string data;
  unsigned value = 0, gathered = 0;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    int digit = -1;
    if (notation == Notation::binary) {
      if (c == '0' || c == '1') digit = c - '0';
      if (digit < 0) continue;
      value = value * 2 + static_cast<unsigned>(digit);
      if (++gathered == 8) data += static_cast<char>(value), value = 0, gathered = 0;
    } else if (notation == Notation::hexadecimal) {
      if (c >= '0' && c <= '9') digit = c - '0';
      if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) continue;
      value = value * 16 + static_cast<unsigned>(digit);
      if (++gathered == 2) data += static_cast<char>(value), value = 0, gathered = 0;
    } else {
      if (c == '=') break;
      if (c >= 'A' && c <= 'Z') digit = c - 'A';
      if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
      if (c >= '0' && c <= '9') digit = c - '0' + 52;
      if (c == '+') digit = 62;
      if (c == '/') digit = 63;
      if (digit < 0) continue;
      value = value << 6 | static_cast<unsigned>(digit);
      if (++gathered == 4) {
        data += static_cast<char>(value >> 16);
        data += static_cast<char>(value >> 8);
        data += static_cast<char>(value);
        value = 0, gathered = 0;
      }
    }
  }
  if (notation == Notation::mime && gathered >= 2) {
    unsigned group = value << (6 * (4 - gathered));
    data += static_cast<char>(group >> 16);
    if (gathered == 3) data += static_cast<char>(group >> 8);
  }
  return data;
}

// Irregular pieces, so state has to survive every kind of boundary.
const std::vector<std::size_t> piece_sizes = {1, 4096, 7, 3, 12285, 2, 1000, 8, 5, 65536};

std::string encode(Notation notation, const std::string& data, std::uint16_t bytes_per_line, bool in_pieces) {
  TextEncoder encoder(notation, bytes_per_line);
  std::string text;
  std::vector<char> buffer;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
  std::size_t done = 0;
  for (std::size_t piece = 0; done < data.size(); ++piece) {
    std::size_t n =
        in_pieces ? std::min(piece_sizes[piece % piece_sizes.size()], data.size() - done) : data.size();
    buffer.resize(encoder.max_text(n));
    text.append(buffer.data(), encoder.encode(bytes + done, n, buffer.data()));
    done += n;
  }
  buffer.resize(encoder.max_text(0));
  text.append(buffer.data(), encoder.finish(buffer.data()));
  return text;
}

std::string decode(Notation notation, const std::string& text, bool in_pieces) {
  TextDecoder decoder(notation);
  std::string data;
  std::vector<std::uint8_t> buffer;
  std::size_t done = 0;
  for (std::size_t piece = 0; done < text.size() && !decoder.ended(); ++piece) {
    std::size_t n =
        in_pieces ? std::min(piece_sizes[piece % piece_sizes.size()], text.size() - done) : text.size();
    buffer.resize(TextDecoder::max_data(n));
    std::size_t got = decoder.decode(text.data() + done, n, buffer.data());
    data.append(reinterpret_cast<const char*>(buffer.data()), got);
    done += n;
  }
  buffer.resize(TextDecoder::max_data(0));
  std::size_t got = decoder.finish(buffer.data());
  data.append(reinterpret_cast<const char*>(buffer.data()), got);
  return data;
}

struct EncodeCase {
  Notation notation;
  std::string data;
  std::uint16_t bytes_per_line;
  std::string text;
};

TEST(TextEncoder, WorkedExamples) {
  const std::vector<EncodeCase> cases = {
      {Notation::binary, "abc", 2, "01100001 01100010\n01100011"},
      {Notation::hexadecimal, "abc", 2, "61 62\n63"},
      {Notation::mime, "abc", 77, "YWJj"},
      {Notation::mime, "abc", 5, "YWJj\n"},
      {Notation::mime, "abcdefgh", 5, "YWJj\nZGVm\nZ2g="},
      {Notation::mime, "a", 5, "YQ=="},
      {Notation::mime, "a", 4, "YQ=\n="},
      {Notation::mime, "ab", 77, "YWI="},
      {Notation::mime, "abc", 1, "Y\nW\nJ\nj\n"},
      {Notation::mime, "abc", 2, "Y\nW\nJ\nj\n"},
      {Notation::mime, "a", 1, "Y\nQ\n=\n="},
      {Notation::binary, "\x61", 65535, "01100001"},
      {Notation::hexadecimal, "\xaf", 3, "af"},
      {Notation::binary, "ab", 1, "01100001\n01100010"},
      {Notation::hexadecimal, std::string("\x00\xff\x10", 3), 65535, "00 ff 10"},
      {Notation::binary, "", 5, ""},
      {Notation::hexadecimal, "", 5, ""},
      {Notation::mime, "", 5, ""},
  };
  for (const auto& c : cases) {
    for (bool in_pieces : {false, true}) {
      EXPECT_EQ(encode(c.notation, c.data, c.bytes_per_line, in_pieces), c.text)
          << name_of(c.notation) << " of \"" << c.data << "\" with " << c.bytes_per_line;
    }
  }
}

TEST(TextEncoder, MatchesTheLayoutRulesForEverySizeAndLineLength) {
  const std::size_t sizes[] = {0,  1,  2,    3,    4,    5,     6,     7,     75,
                               76, 77, 4095, 4096, 4097, 12285, 12286, 12287, 12288};
  const std::uint16_t lengths[] = {1, 2, 3, 4, 5, 6, 7, 8, 76, 77, 78, 65535};
  for (Notation notation : all_notations) {
    for (std::size_t size : sizes) {
      std::string data = pattern_bytes(size, static_cast<unsigned>(size));
      for (std::uint16_t length : lengths) {
        std::string expected = reference_encode(notation, data, length);
        EXPECT_EQ(encode(notation, data, length, false), expected)
            << name_of(notation) << ", " << size << " bytes, " << length << " per line";
        EXPECT_EQ(encode(notation, data, length, true), expected)
            << name_of(notation) << ", " << size << " bytes in pieces, " << length << " per line";
      }
    }
  }
}

TEST(TextEncoder, LinesContinueAcrossLongFiles) {
  // A line length that does not divide the block size, over many blocks.
  std::string data = pattern_bytes(200000, 9);
  for (Notation notation : all_notations) {
    for (std::uint16_t length : {std::uint16_t{1000}, std::uint16_t{4097}, std::uint16_t{65535}})
      EXPECT_EQ(encode(notation, data, length, true), reference_encode(notation, data, length))
          << name_of(notation) << ", " << length << " per line";
  }
}

struct DecodeCase {
  Notation notation;
  std::string text;
  std::string data;
};

TEST(TextDecoder, WorkedExamples) {
  const std::vector<DecodeCase> cases = {
      {Notation::binary, "011000010110001", "a"},
      {Notation::binary, "01100001 01100010\n01100011", "abc"},
      {Notation::binary, "0110\r\n0001 x2 0110 0010", "ab"},
      {Notation::binary, "", ""},
      {Notation::binary, "no digits here", ""},
      {Notation::hexadecimal, "4A4b", "\x4a\x4b"},
      {Notation::hexadecimal, "4a 4B", "\x4a\x4b"},
      {Notation::hexadecimal, "4a4", "\x4a"},
      {Notation::hexadecimal, "61 62\n63", "abc"},
      {Notation::hexadecimal, "g4h1-6", "A"},
      {Notation::hexadecimal, std::string("00\n00", 5), std::string("\0\0", 2)},
      {Notation::mime, "YQ==", "a"},
      {Notation::mime, "YWI", "ab"},
      {Notation::mime, "YWJj=ZGVm", "abc"},
      {Notation::mime, "YQ=\n=", "a"},
      {Notation::mime, "YWJj\nZGVm\nZ2g=", "abcdefgh"},
      {Notation::mime, "Y", ""},
      {Notation::mime, "=YWJj", ""},
      {Notation::mime, "Y-W_J\r\nj *", "abc"},
      {Notation::mime, "+/+/", "\xfb\xff\xbf"},
      {Notation::mime, "", ""},
  };
  for (const auto& c : cases) {
    for (bool in_pieces : {false, true})
      EXPECT_EQ(decode(c.notation, c.text, in_pieces), c.data)
          << name_of(c.notation) << " of \"" << c.text << "\"";
  }
}

TEST(TextDecoder, StopsReadingAtTheFirstEqualsSignAcrossCalls) {
  TextDecoder decoder(Notation::mime);
  std::uint8_t out[64];
  EXPECT_EQ(decoder.decode("YWJjZG", 6, out), 3u);
  EXPECT_FALSE(decoder.ended());
  EXPECT_EQ(decoder.decode("=ZGVm", 5, out), 0u);
  EXPECT_TRUE(decoder.ended());
  EXPECT_EQ(decoder.decode("ZGVm", 4, out), 0u);
  ASSERT_EQ(decoder.finish(out), 1u);
  EXPECT_EQ(out[0], 'd');
}

TEST(TextCodec, EveryEncodingDecodesBack) {
  const std::size_t sizes[] = {0,    1,     2,     3,     4,     4094,  4095, 4096,
                               4097, 12284, 12285, 12286, 12287, 12288, 12289};
  const std::uint16_t lengths[] = {1, 2, 3, 4, 5, 76, 77, 78, 65535};
  for (Notation notation : all_notations) {
    for (std::size_t size : sizes) {
      std::string data = pattern_bytes(size, static_cast<unsigned>(size * 7 + 1));
      for (std::uint16_t length : lengths) {
        std::string text = encode(notation, data, length, true);
        EXPECT_EQ(decode(notation, text, true), data)
            << name_of(notation) << ", " << size << " bytes, " << length;
        EXPECT_EQ(decode(notation, text, false), data)
            << name_of(notation) << ", " << size << " bytes, " << length;
      }
    }
  }
}

// Blanks, carriage returns and characters outside the notation, anywhere in the text.
std::string scatter_noise(const std::string& text, Notation notation, std::mt19937& random) {
  const std::string noise = notation == Notation::binary        ? " \r\n\t2x9-a"
                            : notation == Notation::hexadecimal ? " \r\n\tgGxz-_."
                                                                : " \r\n\t-_*.!~";
  std::string noisy;
  for (char c : text) {
    while (random() % 4 == 0)
      noisy += noise[random() % noise.size()];
    noisy += c;
  }
  return noisy;
}

TEST(TextDecoder, IgnoresEverythingOutsideTheNotation) {
  std::mt19937 random(4242);
  for (Notation notation : all_notations) {
    for (std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{100}, std::size_t{5000}}) {
      std::string data = pattern_bytes(size, static_cast<unsigned>(size));
      std::string text = encode(notation, data, 77, false);
      std::string noisy = scatter_noise(text, notation, random);
      EXPECT_EQ(decode(notation, noisy, true), data) << name_of(notation) << ", " << size << " bytes";
      EXPECT_EQ(decode(notation, noisy, false), data) << name_of(notation) << ", " << size << " bytes";
    }
  }
}

TEST(TextDecoder, AgreesWithTheReadingRulesOnArbitraryText) {
  // Text mixing valid characters with others in runs of every length, so the wide paths start
  // and stop at every alignment and with every amount of state carried in.
  const std::string alphabets[] = {"01", "0123456789abcdefABCDEF", "ABCXYZabcxyz0189+/"};
  const std::string others = " \n\r-_gZ2x";
  std::mt19937 random(99);
  for (Notation notation : all_notations) {
    const std::string& valid = alphabets[static_cast<int>(notation)];
    for (int round = 0; round < 200; ++round) {
      std::string text;
      while (text.size() < 3000) {
        std::size_t run = random() % 40;
        for (std::size_t k = 0; k < run; ++k)
          text += valid[random() % valid.size()];
        std::size_t gap = random() % 3;
        for (std::size_t k = 0; k < gap; ++k)
          text += others[random() % others.size()];
      }
      if (notation == Notation::mime && round % 2 == 0) text[random() % text.size()] = '=';
      std::string expected = reference_decode(notation, text);
      ASSERT_EQ(decode(notation, text, true), expected) << name_of(notation) << ", round " << round;
      ASSERT_EQ(decode(notation, text, false), expected) << name_of(notation) << ", round " << round;
    }
  }
}

}  // namespace
}  // namespace varnelo
