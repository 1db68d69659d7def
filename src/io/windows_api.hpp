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

namespace varnelo::platform {

// The runtime and WriteFile take byte counts of 32 bits; larger transfers go in slices of this size.
inline constexpr std::size_t largest_transfer = std::size_t{1} << 30;

}  // namespace varnelo::platform
