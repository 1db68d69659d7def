#pragma once

// How the Windows console reads its own command line: cmd and PowerShell hand wildcards to the
// program as typed, so the program splits the raw line itself (to know which were quoted) and
// expands them. Built for Windows only; declared here so its tests reach it.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo {

// One argument of a command line, and for each of its UTF-16 units whether it stood inside
// double quotes.
struct TypedArgument {
  std::wstring text;
  std::vector<bool> quoted;
};

// The arguments after the program's name, split exactly as CommandLineToArgvW splits them.
std::vector<TypedArgument> split_command_line(std::wstring_view line);

// Whether a name matches the pattern: an unquoted '*' stands for any run of characters and an
// unquoted '?' for one; everything else compares case-insensitively, as Windows compares names.
bool name_matches(const TypedArgument& pattern, std::wstring_view name);

// The names of the files (folders left out) in a folder given as typed, "" for the current one.
using FileLister = std::function<std::vector<std::wstring>(const std::wstring& folder)>;

// The arguments in UTF-8, each one naming files with an unquoted '*' or '?' in its last part
// replaced by the names it matches, sorted case-insensitively. Options and the values of the
// options that take one are left as typed, as are "\\?\" paths and patterns matching nothing.
std::vector<std::string> expanded_arguments(const std::vector<TypedArgument>& arguments,
                                            const FileLister& list_files);

}  // namespace varnelo
