#pragma once

// The Windows headers as the platform files use them: windows.h without its min and max macros
// and its rarely used parts, then the runtime headers that build on its types.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the runtime headers below build on its types.
#include <fcntl.h>
#include <io.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace varnelo::platform {

// The runtime and WriteFile take byte counts of 32 bits; larger transfers go in slices of this size.
inline constexpr std::size_t largest_transfer = std::size_t{1} << 30;

// The program holds text as UTF-8 and the system takes UTF-16: every name, typed line, console
// text and clipboard text is converted here and nowhere else. Invalid sequences become U+FFFD.
std::wstring wide_of(std::string_view utf8);
std::string utf8_of(std::wstring_view wide);

// The name the wide file calls are given for a path: as it is while its full form is shorter
// than MAX_PATH, else that full form behind "\\?\" ("\\?\UNC\" for a share), which the length
// limit does not apply to.
std::wstring system_path(const std::string& path);

}  // namespace varnelo::platform
