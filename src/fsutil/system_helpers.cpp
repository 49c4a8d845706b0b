#include "fsutil/system_helpers.h"

#include <array>
#include <memory>
#include <string_view>

#include "base/diagnostics/diagnostics.h"
#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::fsutil {

namespace {

// The size the queries of named texts give the platform.
constexpr std::size_t kQueryBufferSize = 261;

struct HandleCloser {
  using pointer = HANDLE;
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

std::string_view text_of(const char* text) { return text != nullptr ? text : ""; }

// A query that writes its text into a buffer and returns the length written
// (0 on failure, more than the buffer on "too small", when the buffer is
// not to be read).
template <typename Query>
std::string queried_text(Query query) {
  std::array<char, kQueryBufferSize> buffer{};
  const std::size_t length = query(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length == 0 || length >= buffer.size()) return std::string();
  return std::string(buffer.data(), length);
}

}  // namespace

std::uint32_t swap_bytes32(std::uint32_t value) {
  return ((value & 0x000000FFu) << 24) | ((value & 0x0000FF00u) << 8) | ((value & 0x00FF0000u) >> 8) |
         ((value & 0xFF000000u) >> 24);
}

std::uint16_t swap_bytes16(std::uint16_t value) {
  return static_cast<std::uint16_t>(((value & 0x00FFu) << 8) | ((value & 0xFF00u) >> 8));
}

int make_temp_file(const char* directory, std::string& name) {
  name.clear();
  std::string folder(text_of(directory));
  if (folder.size() > kTempDirectoryMaxLength) return 1;
  strlib::trim_trailing_spaces(folder);
  if (strlib::last_char(folder.c_str()) != '\\') folder += '\\';
  std::array<char, MAX_PATH + 1> created{};
  if (GetTempFileNameA(folder.c_str(), kTempFilePrefix, 0, created.data()) == 0) return 1;
  name = created.data();
  return 0;
}

int is_read_only(const char* path) {
  const DWORD attributes = GetFileAttributesA(std::string(text_of(path)).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  return (attributes & FILE_ATTRIBUTE_READONLY) != 0 ? 1 : 0;
}

int set_file_length(const char* path, std::int32_t length) {
  const HANDLE opened = CreateFileA(std::string(text_of(path)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened == INVALID_HANDLE_VALUE) return 1;
  const FileHandle file(opened);
  // No high half: the length is a 32-bit count, and a negative one fails.
  if (SetFilePointer(file.get(), length, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return 2;
  if (SetEndOfFile(file.get()) == 0) return 3;
  return 0;
}

int drive_type(const char* path) {
  const std::string_view text = text_of(path);
  if (text.empty() || text.size() > kDriveTypePathMaxLength || text.size() < 3) return -1;
  const std::string root(text.substr(0, 3));
  const char letter = strlib::fold_to_lower(root[0]);
  if (letter < 'a' || letter > 'z' || root[1] != ':' || root[2] != '\\') return -1;
  return static_cast<int>(GetDriveTypeA(root.c_str()));
}

std::string full_path_name(const char* file_name, std::string& name_part) {
  name_part.clear();
  std::array<char, kFullPathCapacity> buffer{};
  char* file_part = nullptr;
  const DWORD result = file_name != nullptr
                           ? GetFullPathNameA(file_name, static_cast<DWORD>(buffer.size()),
                                              buffer.data(), &file_part)
                           : 0;
  diagnostics::debug_log("valor de ret %d \n", static_cast<int>(result));
  // A result of the buffer's size or more is the size it would need: the
  // buffer was not written.
  if (result == 0 || result >= buffer.size()) return std::string();
  const std::string full(buffer.data(), result);
  // The name part is only what the platform pointed at inside the path.
  if (file_part != nullptr && file_part >= buffer.data() && file_part < buffer.data() + result) {
    name_part = file_part;
  }
  return full;
}

std::string computer_name() {
  std::array<char, kQueryBufferSize> buffer{};
  DWORD size = static_cast<DWORD>(buffer.size());
  if (GetComputerNameA(buffer.data(), &size) == 0 || size >= buffer.size()) return std::string();
  return std::string(buffer.data(), size);
}

std::string system_directory() {
  return queried_text([](char* buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
}

std::string windows_directory() {
  return queried_text([](char* buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
}

std::string temp_directory() {
  return queried_text([](char* buffer, UINT size) { return GetTempPathA(size, buffer); });
}

}  // namespace zeb::fsutil
