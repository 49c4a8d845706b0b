#include "cache/cache_registry.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "base/accounting/newmalloc.h"
#include "cache/cache_locks.h"
#include "cache/compile_and_run.h"
#include "cache/toolchain_answer.h"
#include "cache/toolchain_libraries.h"
#include "cache/process_runner.h"
#include "cache/program_manifest.h"
#include "base/strlib/path_names.h"
#include "fsutil/path_tests.h"
#include "platform/portable/path_text.h"
#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::cache {
namespace {

// The per-source cache directories live below this directory of the
// installation; a flush touches nothing outside it.
constexpr std::string_view kCacheDirectoryName = "cache\\";

struct TrackedCloser {
  void operator()(std::FILE* stream) const { accounting::tracked_fclose(stream); }
};
using TrackedStream = std::unique_ptr<std::FILE, TrackedCloser>;

// How much of the registry one read takes in: a registry of a hundred
// thousand entries is read in a hundred calls, not thousands. A read this
// large goes straight from the file into the chunk, past the stream's own
// buffer.
constexpr std::size_t kRegistryReadChunk = 1 << 16;

TrackedStream open_for_reading(const std::string& path) {
  return TrackedStream(accounting::tracked_fopen(path.c_str(), "rb"));
}

std::string with_trailing_backslash(std::string_view directory) {
  std::string text(directory);
  strlib::add_trailing_backslash(text);
  return text;
}

// Calls `visit` with each line of the registry, whole whatever its length
// or bytes (a hand-edited line may be longer than any path zeb_c writes),
// with every CR and LF removed.
template <typename Visit>
void for_each_line(std::FILE* stream, Visit visit) {
  // Filled before it is read: a small registry touches only what it fills.
  const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kRegistryReadChunk);
  // One reused text, so that a long registry costs no allocation per line.
  std::string line;
  const auto finish = [&line, &visit] {
    if (line.find('\r') != std::string::npos) strlib::remove_char(line, '\r');
    visit(line);
    line.clear();
  };
  bool open_line = false;
  for (std::size_t got; (got = std::fread(buffer.get(), 1, kRegistryReadChunk, stream)) > 0;) {
    for (std::size_t at = 0; at < got;) {
      const void* const found = std::memchr(buffer.get() + at, '\n', got - at);
      const std::size_t end = found != nullptr ? static_cast<std::size_t>(static_cast<const char*>(found) - buffer.get()) : got;
      line.append(buffer.get() + at, end - at);
      open_line = found == nullptr;
      if (!open_line) finish();
      at = end + 1;
    }
  }
  // A last line without its line end.
  if (open_line) finish();
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
  const std::string_view text = path;
  return platform::equal_nocase(text.substr(0, cache_directory.size()), cache_directory) &&
         !has_parent_component(text.substr(cache_directory.size()));
}

// Replaces the registry with `content` in one step, through a file beside
// it: a failed or short write leaves the registry as it was.
bool replace_registry(const std::string& registry, const std::string& content) {
  const std::string staging = registry + kRegistryStagingSuffix;
  // Left by a run that was cut short, or put there: removed (a link itself,
  // never what it leads to), then made anew, so that nothing is written
  // through a link in its place.
  platform::remove_file(staging.c_str());
  std::FILE* out = platform::create_new_stream(staging.c_str());
  if (out == nullptr) return false;
  const bool written = std::fwrite(content.data(), 1, content.size(), out) == content.size();
  if (std::fclose(out) != 0 || !written) {
    platform::remove_file(staging.c_str());
    return false;
  }
  // A read-only registry was always rewritten all the same.
  const DWORD attributes = GetFileAttributesA(registry.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetFileAttributesA(registry.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  if (!MoveFileExA(staging.c_str(), registry.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    platform::remove_file(staging.c_str());
    return false;
  }
  return true;
}

// A registry that is a link is not ours to read: its text would be copied
// into the new registry (and listed, and flushed) from wherever it leads.
bool foreign_registry(const std::string& registry) {
  const DWORD attributes = GetFileAttributesA(registry.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

int register_path(const std::string& registry, std::string& path) {
  std::string rewrite;
  // Reserved once, for the registry as it stands and the new line.
  const std::int32_t size = file_size(registry.c_str());
  rewrite.reserve(static_cast<std::size_t>(size) + path.size() + 2);
  bool registered = false;
  const auto take = [&](std::string& line) {
    strlib::to_lower(line);
    if (line == path) registered = true;
    rewrite += line;
    rewrite += '\n';
  };
  if (!fsutil::file_exists(registry.c_str()) || foreign_registry(registry)) {
    // A new registry is its marker, rewritten at once with the first path.
    std::string marker(kRegistryMarker);
    take(marker);
  } else {
    TrackedStream stream = open_for_reading(registry);
    if (!stream) return kRegistryUnavailable;
    for_each_line(stream.get(), take);
  }
  if (registered) return 0;
  rewrite += path;
  rewrite += '\n';
  return replace_registry(registry, rewrite) ? 0 : kRegistryUnavailable;
}

// The cache key in the name of a cache directory ("hello.zebc-0123abcd"),
// or false when the name does not end in one.
bool key_of_directory(std::string_view directory, std::uint32_t& key) {
  if (!directory.empty() && directory.back() == '\\') directory.remove_suffix(1);
  constexpr std::size_t kDigits = 8;
  if (directory.size() < kDigits + 1 || directory[directory.size() - kDigits - 1] != '-') return false;
  key = 0;
  for (const char c : directory.substr(directory.size() - kDigits)) {
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                      : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0) return false;
    key = key << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

// True when neither the cache directory itself nor any name of `path` below
// it is a link: what is deleted then lies inside the cache directory, not
// wherever a link would lead.
bool no_link_below(const std::string& path, const std::string& cache_directory) {
  // Either separator: Windows reads '/' in a path as '\'. The first prefix
  // checked is the cache directory, found as the system finds it (another
  // spelling of its name, a link "CACHE", reaches the same place).
  for (std::size_t at = path.find_first_of("\\/", cache_directory.size() - 1); ;
       at = path.find_first_of("\\/", at + 1)) {
    const std::string prefix = path.substr(0, at);
    const DWORD attributes = GetFileAttributesA(prefix.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
    if (at == std::string::npos) return true;
  }
}

// Deletes one registered executable with its directory; true when its line
// goes (the entry is gone, or the line names a file outside the cache, which
// is never touched), false when it stays (another run holds it, or it could
// not be deleted).
bool flush_entry(const std::string& base, const std::string& line, const std::string& cache_directory) {
  // Not ours (a hand-edited registry): never touched, and no longer listed.
  // A line with a zero byte names no file at all; the system would read it
  // only up to that byte, which may be somewhere the checks below never saw.
  if (line.find('\0') != std::string::npos || !inside_cache(line, cache_directory)) return true;
  if (!no_link_below(line, cache_directory)) return !fsutil::file_exists(line.c_str());
  std::string directory;
  if (strlib::split_path(line.c_str(), &directory, nullptr) != 0) directory.clear();
  std::uint32_t key = 0;
  CacheLock entry;
  const bool entry_directory = key_of_directory(directory, key);
  if (entry_directory) {
    entry = try_lock_entry(base, key);
    // Being compiled or about to start: that run still needs it.
    if (entry.state() == CacheLock::State::Busy) return false;
  }
  if (fsutil::is_file(line.c_str())) platform::remove_file(line.c_str());
  // Left behind by compiles that were cut short; only an entry's own
  // directory holds staging files.
  if (entry_directory) delete_staging_files(directory);
  const std::string manifest = manifest_path_of(line);
  if (fsutil::is_file(manifest.c_str())) platform::remove_file(manifest.c_str());
  const std::string messages = directory + kCaptureFileName;
  if (!directory.empty() && fsutil::is_file(messages.c_str())) platform::remove_file(messages.c_str());
  // Old programs moved aside that still run keep the entry registered, so
  // that a later /flush finds them.
  const bool retired_gone = directory.empty() || delete_retired(directory);
  // The common cache directory itself stays, even when a line names a
  // file directly inside it.
  if (inside_cache(directory, cache_directory) && fsutil::is_directory(directory.c_str())) {
    RemoveDirectoryA(directory.c_str());
  }
  return retired_gone && !fsutil::file_exists(line.c_str());
}

// Deletes what the registry names; the registry keeps every line whose
// executable is still there afterwards, and goes only when none is left.
int flush(const std::string& base, const std::string& registry, const std::string& cache_directory) {
  if (!fsutil::file_exists(registry.c_str()) || foreign_registry(registry)) return 0;
  std::string marker;
  std::string kept;
  {
    TrackedStream stream = open_for_reading(registry);
    if (!stream) return kRegistryUnavailable;
    bool first = true;
    for_each_line(stream.get(), [&](const std::string& line) {
      if (first && (line == kRegistryMarker || line == kRegistryMarkerRewritten)) {
        marker = line + '\n';
      } else if (!line.empty() && !flush_entry(base, line, cache_directory)) {
        kept += line;
        kept += '\n';
      }
      first = false;
    });
  }
  if (kept.empty()) {
    platform::remove_file(registry.c_str());
  } else if (!replace_registry(registry, marker + kept)) {
    return kRegistryUnavailable;
  }
  return 0;
}

// What runs learned of their toolchain goes with the cache.
void forget_library_answer(const std::string& base) {
  for (const auto& [answer, staging] : {std::pair(base + kLibraryAnswerFile, kLibraryAnswerStagingSuffix),
                                         std::pair(base + kToolchainAnswerFile, kToolchainAnswerStagingSuffix)}) {
    for (const std::string& file : {answer, answer + staging}) {
      if (fsutil::is_file(file.c_str())) platform::remove_file(file.c_str());
    }
  }
}

int list(const std::string& registry) {
  if (!fsutil::file_exists(registry.c_str()) || foreign_registry(registry)) {
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

}  // namespace

int cache_registry_in(std::string_view base_directory, int mode, std::string* path) {
  if (path != nullptr) strlib::to_lower(*path);
  const std::string base = with_trailing_backslash(base_directory);
  const std::string registry = base + kRegistryFileName;
  // Every mode reads the registry whole and may write it: one run at a time.
  const CacheLock installation = lock_installation(base);
  switch (mode) {
    case kRegistryRegister:
      return path != nullptr ? register_path(registry, *path) : 0;
    case kRegistryFlush:
      forget_library_answer(base);
      return flush(base, registry, base + std::string(kCacheDirectoryName));
    case kRegistryList:
      return list(registry);
    default:
      return 0;
  }
}

int registry_at(const char* base_directory, int mode, std::string* path) {
  if (base_directory == nullptr) {
    if (path != nullptr) strlib::to_lower(*path);
    return kRegistryUnavailable;
  }
  return cache_registry_in(base_directory, mode, path);
}

int run_command(std::string_view command, const std::function<const char*()>& base_directory) {
  if (command == "/flush") {
    std::printf("%s", kFlushText);
    registry_at(base_directory(), kRegistryFlush, nullptr);
  } else if (command == "/version" || command == "--version") {
    std::printf("%s", kVersionText);
  } else if (command == "/cachedfiles") {
    registry_at(base_directory(), kRegistryList, nullptr);
  } else {
    return 0;
  }
  return 1;
}

int handle_command_in(std::string_view base_directory, int argc, const char* const* argv) {
  if (argc < 2 || argv == nullptr || argv[1] == nullptr) return 0;
  const std::string base(base_directory);
  return run_command(argv[1], [&base] { return base.c_str(); });
}

}  // namespace zeb::cache
