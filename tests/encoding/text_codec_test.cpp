#include "encoding/text_codec.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "encoding/reference_codec.hpp"
#include "support/cpu_levels.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::all_notations;
using testing::name_of;
using testing::pattern_bytes;
using testing::reference_decode;
using testing::reference_encode;

// Runs `check` once with each set of loops the processor has; the encoders and decoders it
// makes take the loops the level's features allow.
template <typename Check>
void with_every_loops(Check check) {
  testing::for_each_variant(best_codec_loops, check);
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

// Decodes `text`; a strict decoder's fault, if any, goes to `fault`.
std::string decode(Notation notation, const std::string& text, bool in_pieces,
                   Reading reading = Reading::tolerant, TextFault* fault = nullptr) {
  TextDecoder decoder(notation, reading);
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
  if (fault) *fault = decoder.fault();
  return data;
}

// The bytes of strict reading, or "fault K at N".
std::string strict_result(Notation notation, const std::string& text, bool in_pieces) {
  TextFault fault;
  std::string data = decode(notation, text, in_pieces, Reading::strict, &fault);
  if (!fault) return data;
  return "fault " + std::to_string(fault.kind) + " at " + std::to_string(fault.offset);
}

struct EncodeCase {
  Notation notation;
  std::string data;
  std::uint16_t bytes_per_line;
  std::string text;
};

TEST(TextEncoder, WorkedExamples) {
  with_every_loops([] {
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
  });
}

TEST(TextEncoder, MatchesTheLayoutRulesForEverySizeAndLineLength) {
  with_every_loops([] {
    const std::size_t sizes[] = {0,  1,  2,    3,    4,    5,     6,     7,     75,
                                 76, 77, 4095, 4096, 4097, 12285, 12286, 12287, 12288};
    const std::uint16_t lengths[] = {1, 2, 3, 4, 5, 6, 7, 8, 76, 77, 78, 65535};
    for (Notation notation : all_notations) {
      for (std::size_t size : sizes) {
        std::string data = pattern_bytes(size, static_cast<unsigned>(size));
        for (std::uint16_t length : lengths) {
          std::string expected = reference_encode(notation, data, length);
          EXPECT_EQ(TextEncoder(notation, length).text_size(size), expected.size())
              << name_of(notation) << ", " << size << " bytes, " << length << " per line";
          EXPECT_EQ(encode(notation, data, length, false), expected)
              << name_of(notation) << ", " << size << " bytes, " << length << " per line";
          EXPECT_EQ(encode(notation, data, length, true), expected)
              << name_of(notation) << ", " << size << " bytes in pieces, " << length << " per line";
        }
      }
    }
  });
}

TEST(TextEncoder, LinesContinueAcrossLongFiles) {
  with_every_loops([] {
    // A line length that does not divide the block size, over many blocks.
    std::string data = pattern_bytes(200000, 9);
    for (Notation notation : all_notations) {
      for (std::uint16_t length : {std::uint16_t{1000}, std::uint16_t{4097}, std::uint16_t{65535}})
        EXPECT_EQ(encode(notation, data, length, true), reference_encode(notation, data, length))
            << name_of(notation) << ", " << length << " per line";
    }
  });
}

struct DecodeCase {
  Notation notation;
  std::string text;
  std::string data;  // for strict reading, the bytes or "fault K at N"
  Reading reading = Reading::tolerant;
};

TEST(TextDecoder, WorkedExamples) {
  const Reading strict = Reading::strict;
  const std::string invalid = "fault 1 at ", incomplete = "fault 2 at ";
  const std::string long_hex = std::string(5000, 'a');
  const std::string long_binary = std::string(4096 * 8 + 3, '1');
  const std::string long_mime = std::string(4000, 'Q');
  with_every_loops([&] {
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
        // Strict reading: text outside the notation, or an incomplete last group, is a fault.
        {Notation::binary, "01100001 01100010\r\n\t01100011", "abc", strict},
        {Notation::binary, "011000010110001", incomplete + "8", strict},
        {Notation::binary, "01100001 0110 001", incomplete + "9", strict},
        {Notation::binary, "0110x0001", invalid + "4", strict},
        {Notation::binary, "01100001 01100012", invalid + "16", strict},
        {Notation::binary, long_binary, incomplete + "32768", strict},
        {Notation::binary, long_binary.substr(3) + "2", invalid + "32768", strict},
        {Notation::hexadecimal, "4A4b\n4a 4B", "JKJK", strict},
        {Notation::hexadecimal, "0x41", invalid + "1", strict},
        {Notation::hexadecimal, "414", incomplete + "2", strict},
        {Notation::hexadecimal, "4 1 4 \n", incomplete + "4", strict},
        {Notation::hexadecimal, "a" + long_hex, incomplete + "5000", strict},
        {Notation::hexadecimal, long_hex + "g", invalid + "5000", strict},
        {Notation::hexadecimal, "a" + long_hex + "-b", invalid + "5001", strict},
        {Notation::mime, "YQ==", "a", strict},
        {Notation::mime, "YQ=\n=", "a", strict},
        {Notation::mime, " Y Q\r\n=\t= ", "a", strict},
        {Notation::mime, "YWI=", "ab", strict},
        {Notation::mime, "YQ==YmM=", "abc", strict},
        {Notation::mime, "YQ==\nYg==\nYw==\n", "abc", strict},
        {Notation::mime, "YWJj\nZGVm", "abcdef", strict},
        {Notation::mime, "YWI", incomplete + "0", strict},
        {Notation::mime, "YWJjY", incomplete + "4", strict},
        {Notation::mime, "YWJjYQ=", incomplete + "4", strict},
        {Notation::mime, "YWJj=ZGVm", invalid + "4", strict},
        {Notation::mime, "YW=I", invalid + "3", strict},
        {Notation::mime, "YQ===", invalid + "4", strict},
        {Notation::mime, "=", invalid + "0", strict},
        {Notation::mime, "Y=Q=", invalid + "1", strict},
        {Notation::mime, "Y-Q=", invalid + "1", strict},
        {Notation::mime, "YW_j", invalid + "2", strict},
        {Notation::mime, "YQ==\\n", invalid + "4", strict},
        {Notation::mime, long_mime + "Q-", invalid + "4001", strict},
        {Notation::mime, long_mime + "QQ", incomplete + "4000", strict},
        {Notation::mime, "", "", strict},
    };
    for (const auto& c : cases) {
      for (bool in_pieces : {false, true})
        EXPECT_EQ(c.reading == strict ? strict_result(c.notation, c.text, in_pieces)
                                      : decode(c.notation, c.text, in_pieces),
                  c.data)
            << name_of(c.notation) << " of \"" << c.text.substr(0, 40) << "\""
            << (c.reading == strict ? ", strict" : "");
    }
  });
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
  with_every_loops([] {
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
          EXPECT_EQ(strict_result(notation, text, true), data)
              << name_of(notation) << ", " << size << " bytes, " << length << ", strict";
        }
      }
    }
  });
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
  with_every_loops([] {
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
  });
}

TEST(TextDecoder, AgreesWithTheReadingRulesOnArbitraryText) {
  with_every_loops([] {
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
  });
}

// A character no notation allows, put anywhere in good text, is found where it was put; base 64
// files written one after the other decode to the files' bytes one after the other.
TEST(TextDecoder, StrictReadingFindsStrayCharactersAndReadsJoinedFiles) {
  with_every_loops([] {
    std::mt19937 random(7);
    for (Notation notation : all_notations) {
      std::string strays("-_.!~*,:;\0\x80\xff\x0b", 13);
      strays += notation == Notation::binary ? "2a" : notation == Notation::hexadecimal ? "gxG" : "";
      for (int round = 0; round < 60; ++round) {
        std::string data = pattern_bytes(random() % 9000, static_cast<unsigned>(round));
        std::string text = encode(notation, data, static_cast<std::uint16_t>(1 + random() % 100), false);
        const std::size_t at = random() % (text.size() + 1);
        std::string spoilt = text;
        spoilt.insert(spoilt.begin() + static_cast<std::ptrdiff_t>(at), strays[random() % strays.size()]);
        const std::string expected = "fault 1 at " + std::to_string(at);
        for (bool in_pieces : {true, false})
          ASSERT_EQ(strict_result(notation, spoilt, in_pieces), expected)
              << name_of(notation) << ", round " << round;
        if (notation != Notation::mime) continue;
        std::string more = pattern_bytes(random() % 300, static_cast<unsigned>(round + 1));
        std::string joined = text + "\n" + encode(notation, more, 77, false);
        ASSERT_EQ(strict_result(notation, joined, true), data + more) << "round " << round;
      }
    }
  });
}

}  // namespace
}  // namespace varnelo
