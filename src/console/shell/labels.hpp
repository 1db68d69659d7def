#pragma once

// The labels of the progress displays, the same on the screens and in the commands.

#include "encoding/text_codec.hpp"
#include "shell/texts.hpp"

namespace varnelo {

inline constexpr Both compare_label = {"Comparing file, please wait...\n",
                                       "Membandingkan berkas, silahkan tunggu...\n"};
inline constexpr Both checksum_label = {"Generating checksum, please wait...\n",
                                        "Menciptakan ceksum, silahkan tunggu...\n"};
inline constexpr Both sha2_checksum_label = {"Generating SHA-2 checksum, please wait...\n",
                                             "Menciptakan ceksum SHA-2, silahkan tunggu...\n"};
inline constexpr Both split_label = {"splitting file, please wait...\n",
                                     "Memotong berkas, silahkan tunggu...\n"};
inline constexpr Both join_label = {"Joining file, please wait...\n",
                                    "Menggabung berkas, silahkan tunggu...\n"};
inline constexpr Both cipher_label = {"Processing, please wait...\n",
                                      "Sedang diproses, silahkan tunggu...\n"};

inline Both encode_label(Notation notation) {
  switch (notation) {
    case Notation::binary:
      return {"Encoding data to text in binary mode, please wait...\n",
              "Menyandikan data menjadi text dalam mode biner, silahkan tunggu...\n"};
    case Notation::hexadecimal:
      return {"Encoding data to text in hexadecimal mode, please wait...\n",
              "Menyandikan data menjadi text dalam mode heksadesimal, silahkan tunggu...\n"};
    case Notation::mime:
      break;
  }
  return {"Encoding data to text in MIME (base 64) mode, please wait...\n",
          "Menyandikan data menjadi text dalam mode MIME (basis 64), silahkan tunggu...\n"};
}

inline Both decode_label(Notation notation) {
  switch (notation) {
    case Notation::binary:
      return {"Decoding text to data in binary mode, please wait...\n",
              "Mengubah teks sandi menjadi data dalam mode biner, silahkan tunggu...\n"};
    case Notation::hexadecimal:
      return {"Decoding text to data in hexadecimal mode, please wait...\n",
              "Mengubah teks sandi menjadi data dalam mode heksadesimal, silahkan tunggu...\n"};
    case Notation::mime:
      break;
  }
  return {"Decoding text to data in MIME (base 64) mode, please wait...\n",
          "Mengubah teks sandi menjadi data dalam mode MIME (basis 64), silahkan tunggu...\n"};
}

}  // namespace varnelo
