#pragma once

// The conversions, shared by the encode and decode screens and commands: a file turned into
// text, or text back into data, in an output that then takes its name. They report nothing: the
// fault comes back for the face to word.

#include <cstdint>

#include "encoding/text_codec.hpp"
#include "io/file.hpp"
#include "io/output.hpp"
#include "io/result.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo {

struct Conversion {
  FileFault fault;
  // Bytes processed as the completion display shows them.
  std::int64_t shown_bytes = 0;
  // Strict decoding: what was wrong with the text, which then leaves no output.
  TextFault text_fault;
};

// Encodes `size` bytes of the input (BlockPump::to_the_end: all there is), with room for the
// whole text reserved where its length is known. Binary and hexadecimal count progress in
// bytes; base 64 counts whole groups, and its last one or two bytes follow the last block.
Conversion encode_file(File& input, std::int64_t size, Output& output, Notation notation,
                       std::uint16_t bytes_per_line, const ProgressDisplay& show);

// Decodes until the end of the text or, tolerant base 64, the block that holds the first "=";
// the completion display counts the text up to the end of that block. Text that strict reading
// refuses is a fault, and the output is then not committed.
Conversion decode_file(File& input, std::int64_t size, Output& output, Notation notation,
                       const ProgressDisplay& show, Reading reading = Reading::tolerant);

}  // namespace varnelo
