#include <optional>
#include <string>

#include "platform/win32.h"

namespace zeb::platform {

std::optional<std::string> full_path(const std::string& path) {
  std::string full(MAX_PATH, '\0');
  // The first answer may be the size a longer path needs; the path may also
  // change in between (another thread's current directory), so a second
  // shortfall gives up rather than chase it.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return std::nullopt;
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.assign(length, '\0');
  }
  return std::nullopt;
}

}  // namespace zeb::platform
