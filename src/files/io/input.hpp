#pragma once

// Inputs as the user names them.

#include <cstdint>
#include <string>

#include "io/file.hpp"
#include "io/result.hpp"

namespace varnelo {

// Opens an input for reading. For the commands (`as_command`), "-" is standard input, and pipes,
// devices and the system's generated files are read as streams, as the shell hands them over;
// for the menus "-" is a file of that name, and only files that can be measured are taken (a
// named pipe could stall the dialogue).
Result<File, FileFault> open_input(const std::string& path, bool as_command);

// The bytes to run over in an open input: its size, or BlockPump::to_the_end for a stream,
// whose end is known only when it comes.
Result<std::int64_t, FileFault> input_size(File& file);

}  // namespace varnelo
