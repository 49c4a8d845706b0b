// The POSIX host's file calls take Windows-form paths and map them to host
// paths; a wrong mapping opens, writes or deletes another file than the one
// named. Each input is a Windows-form path, relative ones taken from a
// scratch tree whose names are stored in mixed case.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/portable/path_text.h"
#include "platform/posix/path_mapping.h"

namespace {

namespace posix = zeb::platform::posix;
using zeb::platform::equal_nocase;

const zeb::fuzz::ScratchDirectory& tree() {
  static const zeb::fuzz::ScratchDirectory directory("mapping");
  static const bool made = [] {
    std::filesystem::create_directories(directory.host() / "Alpha" / "Deep Dir");
    zeb::fuzz::write_host_file(directory.host() / "Alpha" / "Gamma.c", "int main(void) { return 0; }\n");
    zeb::fuzz::write_host_file(directory.host() / "beta.TXT", "beta\n");
    std::filesystem::create_directory_symlink("Alpha", directory.host() / "Link");
    return true;
  }();
  (void)made;
  return directory;
}

bool separator(char c) { return c == '\\' || c == '/'; }

// The refusal the rules call for before any name is looked up, or
// ERROR_SUCCESS when the text may name a file (which may still be missing).
DWORD refusal_of(std::string_view path) {
  if (path.empty()) return ERROR_PATH_NOT_FOUND;
  if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
    const bool device = path.size() >= 4 && (path[2] == '?' || path[2] == '.') && separator(path[3]);
    return device ? ERROR_INVALID_NAME : ERROR_BAD_NETPATH;
  }
  const bool drive = path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
  if (drive && path[0] != 'c' && path[0] != 'C') return ERROR_PATH_NOT_FOUND;
  const std::string_view names = path.substr(drive ? 2 : 0);
  const bool forbidden = std::any_of(names.begin(), names.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
  });
  return forbidden ? ERROR_INVALID_NAME : ERROR_SUCCESS;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const zeb::fuzz::ScratchDirectory& scratch = tree();
  const std::string current = scratch.host().string();
  const std::string windows = zeb::fuzz::text_of(data, size);

  std::string host;
  posix::FinalEntry entry;
  const DWORD result = posix::host_path_for(windows, host, entry, current);
  const DWORD refusal = refusal_of(windows);
  if (refusal != ERROR_SUCCESS) {
    ZEB_FUZZ_CHECK(result == refusal, "a path the rules refuse is refused with their error");
  } else {
    ZEB_FUZZ_CHECK(result == ERROR_SUCCESS || result == ERROR_PATH_NOT_FOUND,
                   "a well-formed path maps, or has a missing directory on the way");
  }
  // Letter case is held to the stored names by tests/platform_posix and end to end.
  if (result != ERROR_SUCCESS) return 0;

  ZEB_FUZZ_CHECK(host.starts_with('/'), "a host path is absolute");
  ZEB_FUZZ_CHECK(host.find("//") == std::string::npos, "a host path has no empty name");
  ZEB_FUZZ_CHECK(host.find("/./") == std::string::npos && !host.ends_with("/.") &&
                     host.find("/../") == std::string::npos && !host.ends_with("/.."),
                 "a host path has no . or .. left");

  // The file found is the one the Windows rules name.
  const std::string back = posix::windows_path_for(host);
  const std::string expected = zeb::platform::full_windows_path(windows, posix::windows_path_for(current));
  ZEB_FUZZ_CHECK(equal_nocase(back, expected), "the host path is the full path Windows would use");
  // What it says of the final entry is held to what the host sees by tests/platform_posix and end to end.
  return 0;
}
