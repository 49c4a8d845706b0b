// Which of the platform libraries that every compile links against the
// toolchain can actually find. Toolchains differ: MinGW-w64 ships no import
// library for a few of them (th32 and thunk32 on i686, more on x86_64), and
// naming a missing one fails every link.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zeb::cache {

// The question put to the toolchain, and the line of its answer that lists
// the directories the linker searches, ";" between them (the Windows path
// list separator), "/" or "\" inside them.
inline constexpr const char* kSearchDirsCommand = "gcc -print-search-dirs";
inline constexpr std::string_view kLibrariesLabel = "libraries: =";

// A real answer is a few kilobytes; more than this is not read.
inline constexpr std::size_t kSearchDirsReportLimit = 1 << 20;

// The directories of the "libraries: =" line of a -print-search-dirs report,
// in order, empty ones left out; nothing when the report has no such line.
std::optional<std::vector<std::string>> library_directories(std::string_view report);

// The file names under which the linker finds "-l<name>" in a directory, in
// the order it tries them.
std::vector<std::string> library_file_names(std::string_view name);

// The compile line's library text with only the options whose library
// `present` reports, in the same order and spacing: a leading blank, two
// blanks between options, none at the end; empty when none is present.
std::string library_text(const std::function<bool(std::string_view name)>& present);

// True when `text` is what library_text gives for some set of libraries: the
// kept answer is read from a file anyone who can write the cache may edit,
// and nothing but those options may reach the compiler from it.
bool is_library_text(std::string_view text);

// Where a compile keeps what its search found, below the installation
// directory; /flush deletes it with the rest of the cache.
inline constexpr const char* kLibraryAnswerFile = "cache\\libraries.dat";
inline constexpr const char* kLibraryAnswerStagingSuffix = ".new";

// What a search found, kept for the next compile: which toolchain was asked
// (`toolchain`, never 0), the state of each directory searched when it was
// searched (its last write time, kAbsentDirectory when it was not there),
// and the resulting library_text.
struct LibraryAnswer {
  static constexpr std::uint64_t kAbsentDirectory = ~std::uint64_t{0};
  std::uint32_t toolchain = 0;
  std::vector<std::pair<std::string, std::uint64_t>> directories;
  std::string text;
};

// The kept answer's file, as text, and back; nothing for a text that is not
// one (a damaged or foreign file is simply not used).
std::string format_library_answer(const LibraryAnswer& answer);
std::optional<LibraryAnswer> parse_library_answer(std::string_view text);

// A directory's last write time; kAbsentDirectory when it is not there, and
// nothing when its state cannot be told (a link, which changes when the link
// does, not when its target does; an error other than absence).
std::optional<std::uint64_t> directory_state(const std::string& directory);

// What a toolchain's search rests on besides its directories: the
// toolchain's own report (toolchain_report_fingerprint), the environment
// gcc adds directories from, and the list of libraries asked for. 0 when
// there is no report.
std::uint32_t library_question_key(std::uint32_t report_fingerprint);

// Asks the toolchain along PATH where its linker looks (its answer captured
// in `capture_file`, which is deleted afterwards) and returns library_text
// for the libraries found there (names compared without regard to case). When
// the question cannot be answered (gcc not started, a failure status, no
// list, no listed directory readable) it returns every library, as the
// compile line has always named them.
//
// With a `base_directory` (the installation) and a `question_key` other
// than 0, an answer kept in its kLibraryAnswerFile for the same key is used without asking while no directory it
// searched has changed since (a library added or removed changes its
// directory's write time); a fresh answer is kept there for the next
// compile. Directories written to within the last kSettleTime are not
// trusted to show every change yet, and such an answer is not kept.
inline constexpr std::uint64_t kSettleTime = 2 * 10'000'000;  // FILETIME ticks
std::string toolchain_library_text(const std::string& capture_file, std::string_view base_directory = {},
                                   std::uint32_t question_key = 0);

}  // namespace zeb::cache
