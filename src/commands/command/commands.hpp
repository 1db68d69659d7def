#pragma once

// The commands as the program's dispatch sees them: makers it lists, and the run over the
// command line. Nothing here shows how the arguments are parsed.

#include <span>
#include <string>
#include <vector>

namespace varnelo::command {

// The program's argument parser, and the command each maker adds to it.
class Parser;
struct Common;
struct Command;

// Adds one command to the program's parser; `common` receives the options every command takes.
using Maker = Command (*)(Parser& program, Common& common);

Command sum_command(Parser& program, Common& common);
Command split_command(Parser& program, Common& common);
Command join_command(Parser& program, Common& common);
Command compare_command(Parser& program, Common& common);
Command find_command(Parser& program, Common& common);
Command encrypt_command(Parser& program, Common& common);
Command decrypt_command(Parser& program, Common& common);
Command encode_command(Parser& program, Common& common);
Command decode_command(Parser& program, Common& common);

// A command as the dispatch lists it: the name it is called by, and its maker.
struct Listed {
  const char* name;
  Maker make;
};

// Runs the command line (the arguments after the program's name) over the commands given, in
// the order --help lists them, and returns the exit status.
int run_commands(std::vector<std::string> arguments, std::span<const Listed> commands);

}  // namespace varnelo::command
