#pragma once

// Inputs as the user names them.

#include <cstdint>
#include <string>

#include "io/file.hpp"
#include "io/result.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo {

// Opens an input for reading. For the commands (`as_command`), "-" is standard input, and pipes,
// devices and the system's generated files are read as streams, as the shell hands them over;
// for the menus "-" is a file of that name, and only files that can be measured are taken (a
// named pipe could stall the dialogue). A standard input closed when the program started is
// refused, as the door refuses such an output.
Result<File, FileFault> open_input(const std::string& path, bool as_command);

// A stream copied whole into a scratch file, which is then at its start, for a job that reads its
// input at any offset; the display is that of a stream.
Result<File, FileFault> spooled(File& stream, const ProgressDisplay& show);

// The bytes to run over in an open input: its size, or BlockPump::to_the_end for a stream,
// whose end is known only when it comes.
Result<std::int64_t, FileFault> input_size(File& file);

}  // namespace varnelo
