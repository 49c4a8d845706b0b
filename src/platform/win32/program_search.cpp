// Windows host: which file CreateProcessA starts for a bare program name.
// Its search order written out for SearchPathA, whose own order differs.
#include "platform/win32.h"

#include <string>

namespace zeb::platform {
namespace {

// A text a Win32 call fills, grown until it fits; empty when the call fails.
template <typename Call>
std::string filled(Call call) {
  std::string text(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = call(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return {};
    if (length < text.size()) {
      text.resize(length);
      return text;
    }
    text.resize(length + 1);
  }
}

}  // namespace

std::optional<std::string> program_file(const std::string& name) {
  std::string own = filled([](char* buffer, DWORD size) {
    const DWORD length = GetModuleFileNameA(nullptr, buffer, size);
    // A name cut to the buffer fills it whole: ask again with more room.
    return length >= size ? size : length;
  });
  // The directory with its final backslash: "C:" alone would be drive C's
  // current directory, not its root.
  own.resize(own.find_last_of('\\') + 1);
  const std::string current = filled([](char* buffer, DWORD size) { return GetCurrentDirectoryA(size, buffer); });
  const std::string system = filled([](char* buffer, DWORD size) { return GetSystemDirectoryA(buffer, size); });
  const std::string windows = filled([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); });
  const std::string path = filled([](char* buffer, DWORD size) { return GetEnvironmentVariableA("PATH", buffer, size); });
  // CreateProcess looks in the 16-bit system directory too, between the two.
  std::string places;
  for (const std::string& place : {own, current, system, windows.empty() ? windows : windows + "\\System", windows, path}) {
    if (place.empty()) continue;
    if (!places.empty()) places += ';';
    places += place;
  }
  const std::string found = filled([&](char* buffer, DWORD size) {
    return SearchPathA(places.c_str(), name.c_str(), ".exe", size, buffer, nullptr);
  });
  if (found.empty()) return std::nullopt;
  return found;
}

}  // namespace zeb::platform
