// POSIX host: the system's named directories and the computer's name.
// The "Windows" directories are fixed Debian directories in C:\ form; the
// temporary directory follows TMP, TEMP, then the POSIX TMPDIR or /tmp.
#include "platform/portable/path_text.h"
#include "platform/posix/path_mapping.h"
#include "platform/posix/text_out.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace zeb::platform::posix {
namespace {

// Shared libraries of the system live here, as system DLLs live in the
// Windows system directory.
constexpr const char* kSystemDirectory = "C:\\usr\\lib";
// The root of the installed system, as C:\Windows is on Windows.
constexpr const char* kWindowsDirectory = "C:\\usr";

const char* non_empty_env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// The computer's name as Windows reports it: the host name up to its first
// dot, in upper case, at most MAX_COMPUTERNAME_LENGTH characters.
std::string computer_name() {
  std::vector<char> buffer(256, '\0');
  if (gethostname(buffer.data(), buffer.size() - 1) != 0) return std::string();
  std::string name(buffer.data());
  name = name.substr(0, name.find('.'));
  if (name.size() > MAX_COMPUTERNAME_LENGTH) name.resize(MAX_COMPUTERNAME_LENGTH);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

}  // namespace
}  // namespace zeb::platform::posix

using namespace zeb::platform;
using namespace zeb::platform::posix;

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) { return copy_text_out(kSystemDirectory, buffer, size); }

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) { return copy_text_out(kWindowsDirectory, buffer, size); }

DWORD GetTempPathA(DWORD size, LPSTR buffer) {
  const char* value = non_empty_env("TMP");
  if (value == nullptr) value = non_empty_env("TEMP");
  if (value == nullptr) value = non_empty_env("TMPDIR");
  if (value == nullptr) value = "/tmp";
  // A POSIX absolute path is a path from the root of C: as it stands, so
  // Windows and POSIX values take the same road.
  std::string current = current_windows_directory();
  if (current.empty()) current = "C:\\";
  std::string full = full_windows_path(value, current);
  if (full.empty() || full.back() != '\\') full += '\\';
  return copy_text_out(full, buffer, size);
}

BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) {
  if (size == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string name = computer_name();
  if (name.empty()) {
    SetLastError(error_from_errno(errno));
    return FALSE;
  }
  if (buffer == nullptr || *size <= name.size()) {
    *size = static_cast<DWORD>(name.size() + 1);
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return TRUE;
}
