// Windows path text: parsing, normalising and joining, without touching any
// file system. Both '\' and '/' separate; case is kept as written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zeb::platform {

// How a Windows path is anchored.
enum class PathAnchor {
  Relative,       // "a\b": below the current directory
  DriveRelative,  // "C:a\b": below the current directory of drive C
  Rooted,         // "\a\b": from the root of the current drive
  DriveAbsolute,  // "C:\a\b"
  Unc,            // "\\server\share\a"
  Device,         // "\\?\..." or "\\.\...": taken literally, never normalised
};

struct ParsedPath {
  PathAnchor anchor = PathAnchor::Relative;
  char drive = 0;      // the drive letter as written (DriveRelative, DriveAbsolute), else 0
  std::string server;  // Unc only
  std::string share;   // Unc only; may be empty ("\\server")
  std::vector<std::string> components;  // names between separators, empty ones dropped
  bool trailing_separator = false;      // the text ends in '\' or '/' after a name
};

bool is_path_separator(char c);

// ASCII-only case folding, as the file system compares names.
char fold_ascii(char c);
bool equal_nocase(std::string_view a, std::string_view b);

// Splits a path into its anchor and components. Never fails: every text is
// some kind of path (an empty text is Relative with no components).
ParsedPath parse_windows_path(std::string_view text);

// Resolves "." and ".." in place, as Windows does before any look-up: ".."
// removes the name before it and stops at the anchor.
void collapse_dot_components(std::vector<std::string>& components);

// Windows drops trailing dots and spaces from a final name ("a.txt. " is
// "a.txt"); names made only of dots and spaces are left alone.
std::string strip_trailing_dots_and_spaces(std::string_view name);

// True when the name holds a character that no Windows file name may contain
// (control characters and < > : " | ? *).
bool has_invalid_name_char(std::string_view name);
bool has_wildcard(std::string_view name);

// The full path of `text` against `current_directory` (a drive-absolute path
// such as "C:\work", with or without final backslash), by text alone, as
// GetFullPathName computes it: separators become '\', runs collapse, "." and
// ".." resolve, a final name loses trailing dots and spaces, a final separator
// is kept. A drive other than the current one has its root as current
// directory. Device paths come back unchanged. Empty text gives empty text.
std::string full_windows_path(std::string_view text, std::string_view current_directory);

// Offset of the final name in a full path, or npos when it ends in a separator.
std::size_t final_name_offset(std::string_view full_path);

// "C:" + components joined with '\' ("C:\" for none).
std::string join_drive_path(char drive, const std::vector<std::string>& components);

// The C: form of an absolute POSIX path: "/a/b" -> "C:\a\b", "/" -> "C:\",
// "/a/b/" -> "C:\a\b\". Runs of '/' collapse. A relative POSIX path only has
// its separators turned into '\'.
std::string windows_from_posix(std::string_view posix_path);

// The two ways users type paths at a host's command line.
enum class TypedPathSyntax {
  Windows,  // '\' or '/' separate; the text is already a Windows path
  Posix,    // '/' separates and a leading '/' is the root, which is drive C:
};

// A path as a user typed it on the host, in the Windows form that zeb_c
// works with. Windows: every '/' becomes '\' ("sub/x.c" is "sub\x.c",
// "/x.c" is "\x.c"). POSIX: every run of '/' becomes one '\', and a leading
// '/' makes the path a full path on C: ("/home/x.c" is "C:\home\x.c"); a
// '\' typed by the user stays. Nothing else changes: no case, no "." or "..".
std::string windows_form_of_typed_path(std::string_view typed, TypedPathSyntax syntax);

}  // namespace zeb::platform
