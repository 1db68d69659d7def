#pragma once

// The file dialogue of the screens: paths typed or pasted, inputs opened, outputs through the
// output door, and file faults worded for the user.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "io/file.hpp"
#include "io/output.hpp"
#include "io/output_door.hpp"
#include "io/result.hpp"

namespace varnelo {

// Path buffers hold 999 characters and the terminator; the file to split and the file to
// check get 4096.
inline constexpr std::size_t path_capacity = 1000;
inline constexpr std::size_t large_path_capacity = 4096;

// Reads a path with read_line and the "?" clipboard rule, without the quotes a dropped file
// comes in (see unquoted_path). A path too long for its buffer is refused with "Path is too
// long!" and nullopt is returned.
std::optional<std::string> read_path(std::size_t capacity = path_capacity);

// The input-path dialogue: the caller has printed the prompt and set colour 2. Reads the path
// (the "?" rule included) and opens it for reading; on failure prints the message and returns
// nullopt. The open file's path() is the path as used.
std::optional<File> open_input(std::size_t capacity = path_capacity);

// The size of an open input; nullopt after "Read error on file" when it cannot be measured.
std::optional<std::int64_t> measure_input(File& file);

// The screens' request to the door: outputs that reach one of the files to avoid (inputs, a key
// file) are refused, and every existing file, or a name given twice in a set, is asked about
// with the overwrite question before it is replaced.
OutputRequest screen_request(std::vector<FileIdentity> avoid);
OutputDoor screen_door(std::vector<FileIdentity> avoid);
// One output through a door of its own; nullopt after its refusal is reported (a question
// answered no has no message).
std::optional<Output> output_door(const std::string& path, std::vector<FileIdentity> avoid);

// "Path is too long!" in colour 12: a path that does not fit its buffer, or a name the system
// takes no file by.
void report_path_too_long();

// A file that could not be opened, read or written: colour 4 for the words, colour 12 for the
// quoted path, then colour 7; the screens' texts name no reason. A file that cannot be opened
// because a name in its path is too long for the system is reported as a path too long, and the
// door refuses such a name so before it writes anything.
void report(const FileFault& fault);
// An output the door turned away.
void report(const Refusal& refusal);

}  // namespace varnelo
