// The toolchain check's answer, kept between runs. "gcc -v" is a whole
// process start on every run, and its answer depends only on the gcc it
// starts: so a successful check is kept with the identity of that gcc (the
// file the process search finds, its size, times and file index) and the
// environment that can change what it says, and a later run whose gcc and
// environment are the same takes the kept answer instead of asking again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zeb::cache {

// The program the check starts (the first word of kVersionCommand).
inline constexpr const char* kToolchainProgram = "gcc";

// Where the answer is kept, below the state directory, beside the kept
// library answer; /flush deletes both.
inline constexpr const char* kToolchainAnswerFile = "cache\\toolchain.dat";
inline constexpr const char* kToolchainAnswerStagingSuffix = ".new";

// A kept answer is a few hundred bytes and a PATH; a longer file is no answer.
inline constexpr std::size_t kToolchainAnswerLimit = 1 << 17;

// What gcc's answer to "-v" may depend on besides the driver itself: where
// it looks for itself and its specs (PATH, GCC_EXEC_PREFIX, COMPILER_PATH)
// and the language it answers in (its words "gcc version" are translated).
inline constexpr std::array<const char*, 7> kToolchainEnvironment = {
    "PATH", "GCC_EXEC_PREFIX", "COMPILER_PATH", "LANG", "LC_ALL", "LC_MESSAGES", "LANGUAGE"};

// The gcc a check would start now, as far as it can be told without starting it.
struct ToolchainIdentity {
  std::string program;              // its full path, as the process search finds it
  std::uint64_t size = 0;
  std::uint64_t write_time = 0;     // FILETIME ticks
  std::uint64_t change_time = 0;    // on Windows its creation time; on POSIX its change time
  std::uint32_t volume = 0;
  std::uint64_t file_index = 0;     // on POSIX the inode
  // The value of each kToolchainEnvironment variable, in that order; nothing when unset.
  std::array<std::optional<std::string>, kToolchainEnvironment.size()> environment;
  bool operator==(const ToolchainIdentity&) const = default;
};

// A successful check: the toolchain_report_fingerprint of its report (odd,
// never 0) and the version word of its version line.
struct ToolchainAnswer {
  ToolchainIdentity identity;
  std::uint32_t report_fingerprint = 0;
  std::string version_word;
  bool operator==(const ToolchainAnswer&) const = default;
};

// The identity of the gcc the check would start from the current directory
// with the current environment; nothing when the search finds none, or its
// file cannot be opened to tell.
std::optional<ToolchainIdentity> toolchain_identity();

// The kept answer's text, and back. Nothing from format when the answer
// cannot be written as lines (a text holding a line end); nothing from parse
// for a text that is not one format could have written, or whose version the
// check would have refused (a damaged, cut or foreign file is not used).
std::optional<std::string> format_toolchain_answer(const ToolchainAnswer& answer);
std::optional<ToolchainAnswer> parse_toolchain_answer(std::string_view text);

// The answer kept in the state directory `base_directory` when it was given
// for `identity`; nothing otherwise.
std::optional<ToolchainAnswer> kept_toolchain_answer(std::string_view base_directory,
                                                     const ToolchainIdentity& identity);

// Keeps `answer`, replacing the kept one in one step; the caller holds the
// installation lock. Nothing is left behind when it cannot be written whole.
void keep_toolchain_answer(std::string_view base_directory, const ToolchainAnswer& answer);

}  // namespace zeb::cache
