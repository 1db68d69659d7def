#pragma once

// The file dialogue of the screens: paths typed or pasted, inputs opened, outputs through the
// output door, and file faults worded for the user.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "io/file.hpp"
#include "io/output.hpp"

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

// The output door every screen goes through. `avoid` holds the files the output must not be
// (inputs, a key file, pieces already named); a path that reaches one of them by any route is
// refused with "Output file is the same as an input file!". An existing file is asked about
// before it is replaced (and so is any path when `ask` is always: a name given twice in one
// run). Then the output is opened, or "Could write to file : " printed. nullopt after any
// refusal or failure, its message printed.
enum class Ask { if_exists, always };
std::optional<Output> output_door(const std::string& path, const std::vector<FileIdentity>& avoid,
                                  Ask ask = Ask::if_exists);

// The door's refusal and question alone, for outputs named before they are written; true when
// the path may be written.
bool admit_output(const std::string& path, const std::vector<FileIdentity>& avoid, Ask ask = Ask::if_exists);
// Its two halves: true, after the message, when the path reaches one of the files to avoid; and
// true when the path may be written, asked when it exists (or always).
bool refuses_as_input(const std::string& path, const std::vector<FileIdentity>& avoid);
bool may_write(const std::string& path, Ask ask = Ask::if_exists);
// The door's last step, for a path admit_output let through.
std::optional<Output> open_output(const std::string& path);

// "Path is too long!" in colour 12: a path that does not fit its buffer, or a name the system
// takes no file by.
void report_path_too_long();

// File messages: colour 4 for the words, colour 12 for the quoted path, then colour 7. A file
// that cannot be opened because a name in its path is too long for the system is reported as
// a path too long, and open_output refuses such a name so before it writes anything.
void report_open_failure(const std::string& path);
void report_read_error(const std::string& path);
void report_write_error(const std::string& path);

}  // namespace varnelo
