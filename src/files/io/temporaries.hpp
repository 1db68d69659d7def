#pragma once

#include <string>
#include <string_view>

namespace varnelo {

// The temporary files of the run, written beside the outputs they will become. An interrupt
// removes every one still noted here.
void note_temporary(const std::string& path);
void forget_temporary(const std::string& path);

// A name for the temporary file that is to become `target` (whose folder ends at the last of
// `separators`): in the same folder, saying whose output it is and what wrote it in case a kill
// leaves it behind, with a random ending; each call gives another. Empty when `target` names a
// folder rather than a file.
std::string temporary_candidate(const std::string& target, std::string_view separators);

// For the platform's interrupt handler: removes every noted temporary file. Safe in a signal
// handler; on Windows the handler's own thread may call it while the program runs on.
void remove_noted_temporaries();

}  // namespace varnelo
