// What a Windows executable's headers say, read from its bytes: the DLLs it
// imports from, and the manifest it carries. For checks that Wine cannot
// make, since it loads what Windows would refuse.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zeb::e2e {

// The DLL names of a PE image's import directory, in its order; nothing when
// the bytes are not a PE image or a header points outside them.
std::optional<std::vector<std::string>> imported_dlls(const std::string& image);

// The text of the image's first manifest resource (type 24), or nothing.
std::optional<std::string> embedded_manifest(const std::string& image);

}  // namespace zeb::e2e
