#include "driver/cache_registry.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "accounting/newmalloc.h"
#include "cache/process_runner.h"
#include "driver/source_path.h"
#include "fsutil/path_tests.h"
#include "platform/win32.h"
#include "strlib/string_primitives.h"

namespace zeb::driver {
namespace {

// The per-source cache directories live below this directory of the
// installation; a flush touches nothing outside it.
constexpr std::string_view kCacheDirectoryName = "cache\\";

struct TrackedCloser {
  void operator()(std::FILE* stream) const { accounting::tracked_fclose(stream); }
};
using TrackedStream = std::unique_ptr<std::FILE, TrackedCloser>;

TrackedStream open_for_reading(const std::string& path) {
  return TrackedStream(accounting::tracked_fopen(path.c_str(), "rb"));
}

std::string with_trailing_backslash(std::string_view directory) {
  std::string text(directory);
  strlib::add_trailing_backslash(text);
  return text;
}

// Calls `visit` with each line of the registry, as read in pieces of
// kRegistryLineBuffer - 1 bytes, with every CR and LF removed.
template <typename Visit>
void for_each_line(std::FILE* stream, Visit visit) {
  std::array<char, kRegistryLineBuffer> buffer{};
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), stream) != nullptr) {
    std::string line(buffer.data());
    strlib::remove_char(line, '\n');
    strlib::remove_char(line, '\r');
    visit(line);
  }
}

bool has_parent_component(std::string_view path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    if (path.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

// True when `path` names something strictly inside `cache_directory` (both
// Windows form, compared without regard to case) without climbing out of it.
bool inside_cache(const std::string& path, const std::string& cache_directory) {
  if (path.size() <= cache_directory.size()) return false;
  std::string prefix = path.substr(0, cache_directory.size());
  std::string expected = cache_directory;
  strlib::to_lower(prefix);
  strlib::to_lower(expected);
  return prefix == expected && !has_parent_component(path.substr(cache_directory.size()));
}

int register_path(const std::string& registry, std::string& path) {
  if (!fsutil::file_exists(registry.c_str())) {
    cache::write_file(registry.c_str(), kRegistryMarker.data(),
                      static_cast<std::int32_t>(kRegistryMarker.size()), cache::kWriteOverwrite, 0);
  }
  std::string rewrite;
  bool registered = false;
  {
    TrackedStream stream = open_for_reading(registry);
    if (!stream) return kRegistryUnavailable;
    for_each_line(stream.get(), [&](std::string& line) {
      strlib::to_lower(line);
      if (line == path) registered = true;
      rewrite += line;
      rewrite += '\n';
    });
  }
  if (registered) return 0;
  rewrite += path;
  rewrite += '\n';
  // The rewrite grows as needed; only a registry beyond what one write can
  // carry is left as it was.
  if (rewrite.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
    return 0;
  }
  cache::write_file(registry.c_str(), rewrite.data(), static_cast<std::int32_t>(rewrite.size()),
                    cache::kWriteOverwrite, 0);
  return 0;
}

int flush(const std::string& registry, const std::string& cache_directory) {
  if (!fsutil::file_exists(registry.c_str())) return 0;
  {
    TrackedStream stream = open_for_reading(registry);
    if (!stream) return kRegistryUnavailable;
    for_each_line(stream.get(), [&](const std::string& line) {
      if (!inside_cache(line, cache_directory)) return;
      std::string directory;
      if (split_path(line.c_str(), &directory, nullptr) != 0) directory.clear();
      if (fsutil::is_file(line.c_str())) platform::remove_file(line.c_str());
      // The common cache directory itself stays, even when a line names a
      // file directly inside it.
      if (inside_cache(directory, cache_directory) && fsutil::is_directory(directory.c_str())) {
        RemoveDirectoryA(directory.c_str());
      }
    });
  }
  platform::remove_file(registry.c_str());
  return 0;
}

int list(const std::string& registry) {
  if (!fsutil::file_exists(registry.c_str())) {
    std::printf("%s", kNoCachedFilesText);
    return 0;
  }
  TrackedStream stream = open_for_reading(registry);
  if (!stream) return kRegistryUnavailable;
  for_each_line(stream.get(), [](const std::string& line) {
    if (line != kRegistryMarkerRewritten) std::printf("%s \n", line.c_str());
  });
  return 0;
}

// The registry operations for an installation directory that may be unknown
// (null): then nothing is touched and the registry counts as unavailable.
int registry_at(const char* base_directory, int mode, std::string* path);

// The commands; `base_directory` is asked for only by the commands that use
// the registry.
template <typename BaseDirectory>
int run_command(BaseDirectory base_directory, int argc, const char* const* argv) {
  if (argc < 2 || argv == nullptr || argv[1] == nullptr) return 0;
  const std::string_view command = argv[1];
  if (command == "/flush") {
    std::printf("%s", kFlushText);
    registry_at(base_directory(), kRegistryFlush, nullptr);
  } else if (command == "/version") {
    std::printf("%s", kVersionText);
  } else if (command == "/cachedfiles") {
    registry_at(base_directory(), kRegistryList, nullptr);
  } else {
    return 0;
  }
  return 1;
}

int registry_at(const char* base_directory, int mode, std::string* path) {
  if (base_directory == nullptr) {
    if (path != nullptr) strlib::to_lower(*path);
    return kRegistryUnavailable;
  }
  return cache_registry_in(base_directory, mode, path);
}

}  // namespace

int cache_registry_in(std::string_view base_directory, int mode, std::string* path) {
  if (path != nullptr) strlib::to_lower(*path);
  const std::string base = with_trailing_backslash(base_directory);
  const std::string registry = base + kRegistryFileName;
  switch (mode) {
    case kRegistryRegister:
      return path != nullptr ? register_path(registry, *path) : 0;
    case kRegistryFlush:
      return flush(registry, base + std::string(kCacheDirectoryName));
    case kRegistryList:
      return list(registry);
    default:
      return 0;
  }
}

int cache_registry(int mode, std::string* path) {
  return registry_at(exe_directory(), mode, path);
}

int handle_command_in(std::string_view base_directory, int argc, const char* const* argv) {
  const std::string base(base_directory);
  return run_command([&base] { return base.c_str(); }, argc, argv);
}

int handle_command(int argc, const char* const* argv) {
  return run_command([] { return exe_directory(); }, argc, argv);
}

}  // namespace zeb::driver
