// Windows host: the runtime's own path calls, unchanged.
// Paths are already in Windows form here, so nothing is translated.
#include "platform/win32.h"
#include "platform/portable/path_text.h"

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>

namespace zeb::platform {

std::FILE* open_stream(const char* path, const char* mode) { return std::fopen(path, mode); }

int remove_file(const char* path) { return std::remove(path); }

bool create_private_directory(const char* path) { return CreateDirectoryA(path, nullptr) != FALSE; }

bool is_private_directory(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::FILE* create_new_stream(const char* path) {
  // CREATE_NEW fails on any existing name, a reparse point included.
  const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_BINARY | _O_WRONLY);
  if (fd < 0) {
    CloseHandle(file);
    return nullptr;
  }
  std::FILE* stream = _fdopen(fd, "wb");
  if (stream == nullptr) _close(fd);
  return stream;
}

std::string windows_path_from_host(const std::string& host_path) { return host_path; }

std::string windows_path_from_typed(const std::string& typed) {
  const std::string windows = windows_form_of_typed_path(typed, TypedPathSyntax::Windows);
  // PowerShell completes a file name as ".\x.zebc", and "..\dir\x.zebc" is
  // how cmd and PowerShell users name a file beside where they stand: such a
  // name becomes the full path it means, "." and ".." resolved. A name that
  // itself begins with a dot (".x.zebc") is left alone, and refused later.
  if (!windows.starts_with(".\\") && !windows.starts_with("..\\")) return windows;
  return full_path(windows).value_or(windows);
}

bool typed_path_is_exact(const std::string&) { return true; }

std::string resolve_links(const std::string& path) { return path; }

}  // namespace zeb::platform
