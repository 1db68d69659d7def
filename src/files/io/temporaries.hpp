#pragma once

#include <string>
#include <string_view>

#include "io/platform.hpp"

namespace varnelo {

// The temporary files of the run, written beside the outputs they will become. An interrupt
// removes every one still noted here.
void note_temporary(const platform::Place& place);
void forget_temporary(const platform::Place& place);

// A name for the temporary file that is to become the file named `target` (a name, without its
// folder): saying whose output it is and what wrote it in case a kill leaves it behind, with a
// random ending; each call gives another. A name too long to take the ending gives a shorter
// form, so the temporary name always fits where the target's does.
std::string temporary_name(std::string_view target);

// For the platform's interrupt handler: removes every noted temporary file. Safe in a signal
// handler; on Windows the handler's own thread may call it while the program runs on.
void remove_noted_temporaries();

}  // namespace varnelo
