// Predicates over paths on the local file system, and the two character
// validators with the texts that state their rules to a user.
//
// Every operation answers through its result only: nothing is printed and no
// argument is changed. Only `\` separates; `/` gets no special handling here.
// Absolute form: two leading backslashes (UNC), or an ASCII letter and a
// colon (drive form; "c:" and "c:name" qualify). A null argument is treated
// as an empty one.
#pragma once

#include <cstddef>

namespace zeb::fsutil {

// The longest argument the predicates that work on a private copy accept;
// a longer one is refused with the result given for "no such entry"
// (0, or -1 for directory_read_only).
inline constexpr std::size_t kPathArgumentMaxLength = 999;
// The longest directory argument directory_writable accepts (a backslash is
// still to be appended within a 261-byte buffer); a longer one yields 0.
inline constexpr std::size_t kProbeDirectoryMaxLength = 259;
// Prefix of the probe files that directory_writable creates and deletes.
inline constexpr const char* kProbeFilePrefix = "zeb";

// 1 if the path (absolute or relative, resolved by the platform against the
// current directory) names an existing entry that is not a directory, else 0.
int file_exists(const char* path);
// 1 if the absolute path names an existing directory, else 0.
int is_directory(const char* path);
// 1 if the absolute path names an existing entry that is neither a directory
// nor a device (FILE_ATTRIBUTE_DEVICE: a FIFO or device node on POSIX, where
// a read may never end), else 0.
int is_file(const char* path);
// 1 if the absolute path names any existing entry, else 0.
int path_exists(const char* path);
// 1 if the path is in absolute form, else 0. Touches no file system.
int is_absolute_path(const char* path);

// -1 if the path is not absolute, does not exist or is not a directory;
// 0 if a probe file can be created in it; 1 if not.
int directory_read_only(const char* path);
// 1 if a probe file could be created in the directory (trailing blanks
// ignored; "" is the root of the current drive) and was deleted again, else 0.
int directory_writable(const char* directory);
// 1 if the process could make the path its current directory, else 0. The
// current directory is the same afterwards in either case: when it cannot be
// read (and so could not be restored) the path is not tried, and 0 is
// returned.
int can_enter_directory(const char* path);

// 0 if a bare file name is acceptable, else the first offending class:
// 1 ':', 2 '/', 3 '*', 4 '?', 5 '<', 6 '>', 7 '"', 8 '\', 9 '|'.
// Classes are tested in that order, wherever their characters stand.
int invalid_file_name_char(const char* name);
// 0 if a path is acceptable, else the first offending class: 1 more than
// one ':', 2 '/', 3 '*', 4 '?', 5 '<', 6 '>', 7 '"', 8 '|'.
int invalid_path_char(const char* path);

// The rules of the two validators in words; static texts.
const char* file_name_rule_text();
const char* path_rule_text();

}  // namespace zeb::fsutil
