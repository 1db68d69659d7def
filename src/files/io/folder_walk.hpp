#pragma once

// The files of a folder's tree, for commands that take whole folders.

#include <functional>
#include <string>

#include "io/result.hpp"

namespace varnelo {

// Hands over every file in the tree under `root`, depth first, the entries of each folder in the
// byte order of their names. Each is named by the root, then "/" and the names on the way down,
// with "/" between parts on every system, so that a list made on one checks on another. Links to
// folders are not followed. A folder that cannot be listed is handed over with its fault, and
// the walk goes on. False when `visit` stopped it.
bool walk_folder(const std::string& root,
                 const std::function<bool(const std::string& path, const FileFault& fault)>& visit);

}  // namespace varnelo
