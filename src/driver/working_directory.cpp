#include <array>
#include <string>

#include "driver/source_path.h"
#include "platform/win32.h"

namespace zeb::driver {
namespace {

// What kSaveWorkingDirectory stored last; empty until then.
std::string& saved_directory() {
  static std::string saved;
  return saved;
}

}  // namespace

const char* current_directory() {
  static std::array<char, kCurrentDirectoryBufferSize> buffer{};
  buffer.fill('\0');
  const DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
  // A directory that does not fit is reported by its needed size and leaves
  // the buffer as it was: empty.
  if (length >= buffer.size()) buffer.fill('\0');
  return buffer.data();
}

int set_current_directory(const char* path) {
  if (path == nullptr) return 1;
  return SetCurrentDirectoryA(path) ? 0 : 1;
}

int manage_working_directory(int mode, const char* path) {
  switch (mode) {
    case kSaveWorkingDirectory:
      saved_directory() = current_directory();
      break;
    case kEnterDirectory:
      set_current_directory(path);
      break;
    case kRestoreWorkingDirectory:
      if (!saved_directory().empty()) set_current_directory(saved_directory().c_str());
      break;
    default:
      break;
  }
  return 0;
}

}  // namespace zeb::driver
