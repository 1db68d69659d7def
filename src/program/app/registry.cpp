// The registry of the menus and the dispatch of the commands: the one place that names every
// screen and every command.

#include "app/program.hpp"
#include "checksum/screens.hpp"
#include "command/commands.hpp"
#include "compare/screens.hpp"
#include "crypt/screens.hpp"
#include "encoding/screens.hpp"
#include "splitjoin/screens.hpp"

namespace varnelo {

const Screens& program_screens() {
  static constexpr Screens screens = {
      .split = split_screen,
      .join = join_screen,
      .compare = compare_screen,
      .checksum = checksum_screen,
      .encrypt = encrypt_screen,
      .decrypt = decrypt_screen,
      .encode = encode_screen,
      .decode = decode_screen,
  };
  return screens;
}

int run_program() {
  return run_program(program_screens());
}

int run_command_line(std::vector<std::string> arguments) {
  // In the order --help lists them.
  static constexpr command::Listed commands[] = {
      {"sum", command::sum_command},         {"split", command::split_command},
      {"join", command::join_command},       {"compare", command::compare_command},
      {"find", command::find_command},       {"encrypt", command::encrypt_command},
      {"decrypt", command::decrypt_command}, {"encode", command::encode_command},
      {"decode", command::decode_command},
  };
  return command::run_commands(std::move(arguments), commands);
}

}  // namespace varnelo
