#pragma once

// The clipboard as the screens use it: a path taken from it, a result offered to it.

#include <string>

namespace varnelo {

// Replaces the path with the clipboard's plain text, whole and unchanged.
void iclip(std::string& path);

// Offers to copy the text to the clipboard; 0 when it was copied, 1 when the user declined.
int clip(const std::string& text);

}  // namespace varnelo
