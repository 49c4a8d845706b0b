// Where the running executable lives, how paths split, the process's current
// directory, and how the source argument becomes a full path carrying the
// names the file system stores. Paths are Windows paths: the backslash
// separates, a forward slash is an ordinary character.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace zeb::driver {

// Paths that the driver keeps (the executable's directory, the resolved
// source path) fit a 300-byte text: at most this many characters.
inline constexpr std::size_t kMaxPathLength = 299;

// The current directory is read into the platform's longest path plus the
// terminator; a longer one reads as empty.
inline constexpr std::size_t kCurrentDirectoryBufferSize = 261;

// The full directory of the running executable, ending in a backslash
// (C:\tools\ for C:\tools\zeb_c.exe), or null when it is unavailable: no
// module, no file name, a file name that does not fit kMaxPathLength or that
// split_path refuses. Computed on the first call only; that outcome holds for
// the rest of the process. The text is static.
const char* exe_directory();

// The process's current directory, refilled on every call into one static
// buffer (valid until the next call); empty when it does not fit
// kCurrentDirectoryBufferSize or cannot be read.
const char* current_directory();

// Makes `path` the current directory: 0 when done, 1 when refused.
int set_current_directory(const char* path);

// Modes of manage_working_directory.
inline constexpr int kSaveWorkingDirectory = 0;     // remember the current directory
inline constexpr int kEnterDirectory = 1;           // make `path` current
inline constexpr int kRestoreWorkingDirectory = 2;  // go back to the remembered one

// Saves, changes or restores the current directory by `mode` (`path` is read
// by kEnterDirectory only). Restoring when nothing was saved changes nothing,
// as does any other mode. A refused change is swallowed: always returns 0.
int manage_working_directory(int mode, const char* path);

// Turns the source argument as typed into a full path in `out`:
//  0  a UNC path (two leading backslashes) or a drive path (a colon as
//     second character) is copied unchanged; anything else is taken
//     relative to the current directory;
//  14 (LeadingBackslash) a path from the root of the current drive;
//  15 (LeadingDot) a leading dot;
//  28 (ArgumentTooLong) a result longer than kMaxPathLength, or a relative
//     name while the current directory cannot be read.
// `out` is written only on 0. A null argument counts as an empty one.
int resolve_source_path(std::string& out, const char* argument);

// Rewrites a drive-letter path in place with the names that directory
// look-ups report for each directory and the file, so that every name
// carries its stored case and long form; the drive letter keeps its typed
// case. The path is left unchanged when it is not a drive path, longer than
// kMaxPathLength, holds a wildcard character, names only an entry of a drive
// root, when a look-up fails, when the rebuilt path would exceed
// kMaxPathLength, when the rebuilt path does not have the same names but for
// their case, or when it does not measure the same size.
// Returns 1 when the path was rewritten, else 0 (callers need not look).
int normalize_path_case(std::string& path);

// The directory look-up behind normalize_path_case: true with the stored
// name (no directory part) of the entry that `path` names, else false.
using StoredNameLookup = std::function<bool(const std::string& path, std::string& stored_name)>;

// normalize_path_case with the look-up supplied by the caller.
int normalize_path_case_with(std::string& path, const StoredNameLookup& lookup);

}  // namespace zeb::driver
