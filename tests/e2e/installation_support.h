// A throw-away installation of zeb_c for end-to-end tests: zeb_c and its
// toolchain stand-in copied into a fresh directory, run as a user runs them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/scoped.h"

namespace zeb::e2e {

struct RunResult {
  int status = -1;   // exit status; -1 when the process did not exit normally
  std::string out;   // standard output, byte for byte
  std::string err;   // standard error
};

// A zeb_c that was started and not yet waited for.
class Started {
 public:
  Started() = default;
  Started(Started&&) = default;
  Started& operator=(Started&&) = default;
  ~Started();

  // Waits for it to end and collects what it printed.
  RunResult wait();

 private:
  friend class Installation;
  int pid_ = -1;
  std::unique_ptr<test::ScopedTempDir> io_;
};

class Installation {
 public:
  Installation();

  // The installation directory: host form, and Windows form with a final
  // backslash (what zeb_c sees as its own directory).
  const std::filesystem::path& host() const { return dir_.host_path(); }
  std::string windows() const { return dir_.path() + "\\"; }

  // Runs zeb_c with `arguments` in `working_directory` (host path), feeding
  // `input` to its standard input. `path_variable` replaces PATH when given.
  RunResult run(const std::vector<std::string>& arguments,
                const std::filesystem::path& working_directory, const std::string& input = "",
                const std::optional<std::string>& path_variable = std::nullopt) const;

  // The same, without waiting: several runs can overlap. With a
  // `file_size_limit` every file zeb_c and its children write stops growing
  // at that many bytes, as on a full disk.
  Started start(const std::vector<std::string>& arguments,
                const std::filesystem::path& working_directory, const std::string& input = "",
                const std::optional<std::string>& path_variable = std::nullopt,
                std::optional<std::uint64_t> file_size_limit = std::nullopt) const;

  // The cache directory and executable zeb_c uses for a full Windows-form
  // source path, as host paths.
  std::filesystem::path cache_directory_for(const std::string& windows_source) const;
  std::filesystem::path executable_for(const std::string& windows_source) const;

  // The number of per-source directories in the cache.
  int cache_entries() const;

  std::string registry() const;
  std::filesystem::path gcc() const { return host() / "mingw" / "bin" / "gcc"; }
  std::filesystem::path capture_file() const { return host() / "zeb_c.dat"; }

  // Every file in the cache whose name ends in ".exe".
  std::vector<std::filesystem::path> cached_executables() const;

 private:
  test::ScopedTempDir dir_;
};

// What zeb_c prints before it compiles: the banner, the toolchain's version
// line and the blank line after it.
std::string compile_header();

// The CRC-32 of a text, as the cache names entries.
std::uint32_t crc32_of(const std::string& text);

std::string lower(std::string text);

}  // namespace zeb::e2e
