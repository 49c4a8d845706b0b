// Which of the platform libraries that every compile links against the
// toolchain can actually find. Toolchains differ: MinGW-w64 ships no import
// library for a few of them (th32 and thunk32 on i686, more on x86_64), and
// naming a missing one fails every link.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
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

// Asks the toolchain along PATH where its linker looks (its answer captured
// in `capture_file`, which is deleted afterwards) and returns library_text
// for the libraries found there (names compared without regard to case). When
// the question cannot be answered (gcc not started, a failure status, no
// list, no listed directory readable) it returns every library, as the
// compile line has always named them.
std::string toolchain_library_text(const std::string& capture_file);

}  // namespace zeb::cache
