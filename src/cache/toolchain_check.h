// Makes sure that the gcc found first along PATH is a MinGW build of version
// 3.4.2 or later, and keeps its version line for the compile banner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zeb::cache {

// The output of "gcc -v" is captured here, relative to the current
// directory (the driver has made the executable's directory current).
inline constexpr const char* kVersionCaptureFile = "zeb_c.dat";
inline constexpr const char* kVersionCommand = "gcc -v";

// Only the first this many bytes of the output are examined.
inline constexpr std::size_t kVersionOutputLimit = 4096;

// Both searched for in any letter case; the version follows the words.
inline constexpr const char* kMingwMarker = "(mingw-special)";
// Only the MinGW 3.4.2 builds carry the marker. Every gcc driver names the
// platform it builds for: on its "Target:" line, or, before drivers had that
// line, in a "--target=" option of its "Configured with:" line. A MinGW
// build's target triple ends in "mingw32" (mingw32, i686-w64-mingw32,
// x86_64-w64-mingw32); Cygwin's and Linux's do not.
inline constexpr const char* kTargetLabel = "Target:";
inline constexpr const char* kConfiguredLabel = "Configured with:";
inline constexpr const char* kTargetOption = "--target=";
inline constexpr const char* kMingwTargetSuffix = "mingw32";
inline constexpr const char* kVersionWords = "gcc version ";

// The oldest accepted version.
inline constexpr int kMinimumMajor = 3;
inline constexpr int kMinimumMinor = 4;
inline constexpr int kMinimumPatch = 2;

// The version word is at most this long, so that the version line fits its
// 300-byte text; a longer word is no version.
inline constexpr std::size_t kMaxVersionWordLength = 285;

// Written to standard error by the check itself.
inline constexpr const char* kMingwNotFoundMessage = "gcc mingw not found \n";
inline constexpr const char* kVersionTooOldMessage =
    "zeb_c requires gcc mingw version 3.4.2 or above \n";

// Runs "gcc -v" with its output captured in kVersionCaptureFile and returns a
// ResultCode:
//   0  acceptable;
//  16  the capture file could not be deleted (gcc is not run);
//  17  gcc could not be started;
//  18  gcc ended with a non-zero status;
//  19  gcc wrote nothing;
//  20  the capture file could not be written in full, or opened;
//  24  the capture file is empty;
//  23  not a MinGW build: neither the marker nor a MinGW target in the
//      output (writes kMingwNotFoundMessage);
//  22  no "gcc version " in the output, or a version word over
//      kMaxVersionWordLength;
//  21  the version, read as major.minor.patch from the leading numbers of
//      the word after "gcc version " (missing parts 0: "12-posix" is 12.0.0),
//      is below 3.4.2 (writes kVersionTooOldMessage).
// The capture file is left in place. toolchain_check names the capture file
// relative to the current directory; toolchain_check_in names it in
// `base_directory` (which should be the current one: gcc is found from
// there), sparing the file system the current directory on every call.
int toolchain_check();
int toolchain_check_in(std::string_view base_directory);

// The check of toolchain_check_in, answered from the answer kept in the state
// directory `base_directory` (the current one) while the gcc it would start
// and the environment it would start it in are those the answer was given
// for (toolchain_answer.h): then nothing is started, nothing written and the
// capture file is left as it is. Otherwise the check runs under the
// installation lock, and an acceptable toolchain's answer is kept for the
// next run. Same results as toolchain_check_in.
int toolchain_check_kept(std::string_view base_directory);

// True when `word` is a version word the check accepts in a version line: not
// empty, at most kMaxVersionWordLength bytes, no blank or line end in it, and
// not below 3.4.2.
bool acceptable_version_word(std::string_view word);

// The examination of the captured output on its own: `output` is the
// terminated text of at most kVersionOutputLimit bytes; returns 0, 21, 22 or
// 23 as above, writing its messages and keeping the version line as toolchain_check does.
int examine_toolchain_report(const char* output);

// "gcc version <version word> \n" from the latest toolchain_check that read a
// version (results 0 and 21), the word being the text after "gcc version " up
// to the next blank or line end; empty otherwise. The text is static.
const char* toolchain_version_line();

// A fingerprint of the report of the latest toolchain_check that accepted
// the toolchain; 0 when there is none. Real drivers name the directory they
// run from in it, so another installation of the same version differs too.
std::uint32_t toolchain_report_fingerprint();

}  // namespace zeb::cache
