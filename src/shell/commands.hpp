#pragma once

#include "shell/command_line.hpp"

namespace varnelo::command {

// Each command is made beside the engine and the screen of the same job, and adds itself to
// the program's parser; `common` receives the options every command takes.
Command sum_command(CLI::App& program, Common& common);
Command split_command(CLI::App& program, Common& common);
Command join_command(CLI::App& program, Common& common);
Command compare_command(CLI::App& program, Common& common);
Command find_command(CLI::App& program, Common& common);
Command encrypt_command(CLI::App& program, Common& common);
Command decrypt_command(CLI::App& program, Common& common);
Command encode_command(CLI::App& program, Common& common);
Command decode_command(CLI::App& program, Common& common);

}  // namespace varnelo::command
