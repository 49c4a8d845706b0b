// A Windows path taken apart into its directory and its final name, by text
// alone: the backslash separates, a forward slash is an ordinary character.
#pragma once

#include <cstddef>
#include <string>

namespace zeb::strlib {

// split_path works on a private 256-byte copy: longer paths are refused.
inline constexpr std::size_t kMaxSplitLength = 255;

// Splits `path` at its last backslash: `directory` receives everything up to
// and including it, `name` the rest (all of `path` when it has no
// backslash). Either output may be null. Returns 0; returns 1, with the
// present outputs emptied, for a null path or one longer than
// kMaxSplitLength.
int split_path(const char* path, std::string* directory, std::string* name);

}  // namespace zeb::strlib
