#pragma once

// Messages of the commands: on standard error, in the language of the run, after whatever
// results are waiting.

#include <cstdint>
#include <optional>
#include <string>

#include "io/output_door.hpp"
#include "io/result.hpp"
#include "shell/texts.hpp"

namespace varnelo::command {

// "varnelo: " and the message in the language of the run, on standard error.
void complain(const char* english, const char* indonesian, ...) VARNELO_PRINTF(1, 3);
// No message from now on: a silent command's status says it all.
void silence_messages();
// Whether complain() has given a message in this run.
bool gave_a_message();
// Writes text to standard error as it is; once that fails, messages stop, and the work goes on.
void write_error(const std::string& text);
// Whether standard output turned out to be a pipe with no reader left: no message is then given.
bool output_closed();
void note_output_closed();

// How a path stands in messages: quoted, as shown on the terminal, and "-" for standard input
// or output.
std::string quote(const std::string& path);

// A number that must lie between `low` and `high`; nullopt, after a message naming the option,
// when the text is anything else.
std::optional<std::uint64_t> whole_number(const std::string& option, const std::string& text,
                                          std::uint64_t low, std::uint64_t high);

// The message for a file that could not be opened, read or written, with the system's reason;
// and for an output the door turned away.
void complain(const FileFault& fault);
void complain(const Refusal& refusal);

}  // namespace varnelo::command
