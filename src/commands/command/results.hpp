#pragma once

// Results on standard output, gathered and written in large pieces (line by line at a terminal).

#include <string_view>

#include "shell/texts.hpp"

namespace varnelo::command {

// False once writing failed, reported then.
bool print(std::string_view text);
bool flush_results();
// Prints the text of the language of the run.
void print_text(const Both& text);

}  // namespace varnelo::command
