// POSIX host: the running program as a module.
// The only module is the program itself; its file name is the executable the
// kernel started (/proc/self/exe), given in C: form.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/portable/path_text.h"
#include "platform/posix/path_mapping.h"
#include "platform/win32.h"

struct ModuleTag {
  int unused;
};

namespace {

ModuleTag main_module{};

std::string executable_windows_path() {
  const std::string host = zeb::platform::posix::executable_host_path();
  return host.empty() ? std::string() : zeb::platform::posix::windows_path_for(host);
}

}  // namespace

// Null names the program; so does the program's own file name or full path.
HMODULE GetModuleHandleA(LPCSTR module_name) {
  if (module_name == nullptr) return &main_module;
  const std::string path = executable_windows_path();
  const std::size_t slash = path.find_last_of('\\');
  const std::string_view base = slash == std::string::npos
                                    ? std::string_view(path)
                                    : std::string_view(path).substr(slash + 1);
  if (!path.empty() && (zeb::platform::equal_nocase(module_name, path) ||
                        zeb::platform::equal_nocase(module_name, base))) {
    return &main_module;
  }
  SetLastError(ERROR_MOD_NOT_FOUND);
  return nullptr;
}

// A buffer too small receives as much as fits with a terminator; the result
// is then `size` with ERROR_INSUFFICIENT_BUFFER (Windows Vista and later).
DWORD GetModuleFileNameA(HMODULE module, LPSTR file_name, DWORD size) {
  if (module != nullptr && module != &main_module) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const std::string path = executable_windows_path();
  if (path.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  if (size == 0 || file_name == nullptr) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() >= size) {
    std::memcpy(file_name, path.data(), size - 1);
    file_name[size - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(file_name, path.data(), path.size());
  file_name[path.size()] = '\0';
  return static_cast<DWORD>(path.size());
}
