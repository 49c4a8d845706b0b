// The toolchain stand-ins' pure logic: what they say to "gcc -v", how they
// turn the MinGW command line that zeb_c builds into one for the compiler
// that does the work (the host's C compiler on POSIX, the Linux MinGW cross
// compiler under Wine), and how that compiler's answers become a Windows
// gcc's. Kept apart from the programs so that it is tested on its own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zeb::tools {

// Maps a Windows-form path ("C:\dir\file") to the host path that names the
// same file; returns false when it cannot.
using PathMapper = std::function<bool(std::string_view windows_path, std::string& host_out)>;

// Names an absolute host path in Windows form ("C:\dir\file", either
// separator); returns false when no drive holds it.
using WindowsNamer = std::function<bool(std::string_view host_path, std::string& windows_out)>;

// The environment variable naming a file whose bytes are the answer to
// "gcc -v" (a recorded report of a real toolchain, for tests).
inline constexpr const char* kRecordedVersionVariable = "ZEB_GCC_RECORDED_VERSION";

// The bytes of the file at `host_path`; false, with the C library's reason
// in `error`, when it cannot be read whole.
bool read_file_bytes(const std::string& host_path, std::string& bytes, std::string& error);

// A source that starts with an interpreter line ("#!/usr/bin/env zeb_c"),
// rewritten so that the C compiler takes that line for a blank one: it
// becomes a #line directive naming `host_path`, so that messages keep the
// file's own name and line numbers. Nothing when there is no such line.
std::optional<std::string> without_interpreter_line(std::string_view source, std::string_view host_path);

// True for the command line "gcc -v" and nothing else (arguments after argv[0]).
bool is_version_query(const std::vector<std::string>& arguments);

// True when an argument asks the driver where it finds things
// (-print-search-dirs, -print-file-name=..., -print-prog-name=...,
// -print-libgcc-file-name): gcc then answers with paths on standard output
// and does nothing else.
bool is_path_query(const std::vector<std::string>& arguments);

// A driver's answer to a path query as a Windows-hosted gcc writes it, or
// the first path that could not be named in Windows form.
struct PathReport {
  std::string text;
  std::string unnamed;  // when not empty, `text` is empty
};

// Rewrites a path query's answer (`report`, as a host gcc prints it) in the
// Windows form: every absolute host path becomes the drive path `name` gives,
// with "/" separators, its ".." components and final "/" kept; in the
// "programs: =" and "libraries: =" lists the ":" between directories becomes
// ";". Recognised lines: "install: PATH", those two lists, and a line that is
// one absolute path; any other line ("libth32.a", a name gcc did not find)
// stays as it is. Lines are taken as the host compilers end them, in "\n".
PathReport windows_path_report(std::string_view report, const WindowsNamer& name);

// The report of "gcc -v" in the style of the MinGW driver: a few lines about
// specs, configuration and threads, the last one
// "gcc version <version> (mingw-special)". Every line ends in "\n".
std::string version_report(std::string_view host_compiler, std::string_view version);

// True for an absolute Windows-form path: a drive letter and a colon followed
// by a separator, or a UNC path (two leading backslashes).
bool is_windows_path(std::string_view argument);

// True for a "-l" option naming, in any case, one of the Windows system
// libraries of zeb_c's compile line, which the host does not have; any other
// "-l" (libm, zlib, one a script names) is the host's to find or not.
bool is_windows_library_option(std::string_view argument);

// A path as the compiler that does the work names it, and as zeb_c gave it.
struct MappedPath {
  std::string host;
  std::string windows;  // without the double quotes it may have come in
  bool operator==(const MappedPath&) const = default;
};

// The host compiler's command line for the stand-in's one.
struct Translation {
  std::vector<std::string> arguments;  // argv[0] excluded
  // The first Windows-form path that could not be mapped, as given; when it
  // is not empty `arguments` is empty and nothing may be run, since the host
  // compiler would take such a path as a name in its current directory.
  std::string unmapped;
  // Every path that was mapped, in the order given.
  std::vector<MappedPath> mapped;
};

// Translates the stand-in's arguments (argv[0] excluded):
// - a Windows-form path, given alone or joined to "-o", is mapped by `map`;
//   one still wrapped in double quotes loses them first;
// - a "-l" option is left out unless it names a host library;
// - when the command links (no -c, -S or -E, and not a path query), "-lm"
//   is added last: the MinGW runtime carries the math functions in its C
//   library, the host keeps them in libm.
Translation translate_arguments(const std::vector<std::string>& arguments, const PathMapper& map);

// The same for the MinGW cross compiler, which is what a Windows-hosted
// MinGW gcc is: paths mapped (and refused) alike, every other argument, each
// "-l" included, passed on as it is, nothing added.
Translation translate_cross_arguments(const std::vector<std::string>& arguments, const PathMapper& map);

// The compiler's messages with each mapped path written back in the form
// zeb_c gave it, so that they read as the MinGW driver's would. Longer host
// paths are replaced first: none is rewritten inside a longer one.
std::string windows_messages(std::string messages, std::vector<MappedPath> mapped);

// The command line (argv, program first) on which /bin/sh runs `compiler`
// with `arguments`, its standard output in the file `output` and its
// standard error in `errors`. Every piece reaches the shell as a positional
// parameter, never as script text, so nothing needs quoting.
std::vector<std::string> captured_shell_command(std::string_view compiler, std::string_view output,
                                                std::string_view errors,
                                                const std::vector<std::string>& arguments);

// The PATH value for the host compiler, which finds its assembler and linker
// along it: `compiler_directory` first, then the entries of `path_value`.
// zeb_c puts a Windows-form entry in front of PATH with ";" after it, so the
// value is split at ";" first; Windows-form pieces are mapped by `map` (and
// dropped when they do not map), the others are kept as host search lists.
// Empty pieces are dropped.
std::string host_search_path(std::string_view compiler_directory, std::string_view path_value,
                             const PathMapper& map);

}  // namespace zeb::tools
