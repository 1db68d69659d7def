#pragma once

// A file turned into text or text back into data through the block pump, shared by the encode
// and decode screens and commands. Reports nothing: the fault comes back to be reported.

#include <cstdint>
#include <functional>

#include "encoding/text_codec.hpp"
#include "io/block_pump.hpp"

namespace varnelo {

enum class ConvertFault { none, read, write };

struct Conversion {
  ConvertFault fault = ConvertFault::none;
  PumpOutcome outcome;
};

using ConvertDisplay = std::function<void(std::uint16_t, std::int64_t)>;

// Encodes `size` bytes of the input (BlockPump::to_the_end: all there is). Binary and
// hexadecimal count progress in bytes; base 64 counts whole groups, and its last one or two
// bytes follow the last block. What was converted before a read failure is written. The caller
// reserves the room for the text, where it may.
Conversion encode_stream(File& input, std::int64_t size, File& output, Notation notation,
                         std::uint16_t bytes_per_line, const ConvertDisplay& show);

// Decodes until the end of the text or, in base 64, the block that holds the first "=".
Conversion decode_stream(File& input, std::int64_t size, File& output, Notation notation,
                         const ConvertDisplay& show);

}  // namespace varnelo
