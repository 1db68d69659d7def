#pragma once

namespace varnelo {

// The two ciphers behind the encrypt and decrypt screens. The screen has printed the
// input-path prompt and set colour 2; each asks for the rest, processes the file and returns
// with every file it opened closed. `operation` is 0 XOR, 1 additive encryption, 2 additive
// decryption.
void cryp_txt_mode(unsigned operation);
void cryp_data_mode(unsigned operation);

}  // namespace varnelo
