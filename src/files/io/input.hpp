#pragma once

// Inputs as the user names them.

#include <cstdint>
#include <string>

#include "io/file.hpp"
#include "io/result.hpp"

namespace varnelo {

// Opens an input for reading: "-" is standard input where `dash_is_standard_input` says so (the
// commands), a file of that name otherwise (the menus).
Result<File, FileFault> open_input(const std::string& path, bool dash_is_standard_input);

// The bytes to run over in an open input: its size, or BlockPump::to_the_end for standard
// input, whose end is known only when it comes.
Result<std::int64_t, FileFault> input_size(File& file);

}  // namespace varnelo
