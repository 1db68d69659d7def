#pragma once

// The program as a whole: the menus with every screen in them, and the commands.

#include <string>
#include <vector>

#include "shell/menus.hpp"

namespace varnelo {

// The screen behind each choice of the menus.
const Screens& program_screens();

// The menu program: start-up, language choice and the main menu loop; returns the exit code.
int run_program();

// The command line (the arguments after the program's name) over every command; returns the
// exit status.
int run_command_line(std::vector<std::string> arguments);

}  // namespace varnelo
