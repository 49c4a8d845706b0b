// Thin operations over platform services: byte order, temporary files, the
// read-only attribute, file length, drive types, full path names and the
// system's named directories. Paths are Windows-form; null counts as "".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zeb::fsutil {

// The value with its bytes in reverse order (little- <-> big-endian).
std::uint32_t swap_bytes32(std::uint32_t value);
std::uint16_t swap_bytes16(std::uint16_t value);

// The longest directory make_temp_file accepts, in characters (with the
// backslash it may append, it must fit a 260-character path).
inline constexpr std::size_t kTempDirectoryMaxLength = 259;
// Prefix of the names make_temp_file creates.
inline constexpr const char* kTempFilePrefix = "zeb";

// Creates a new empty file with a unique name in `directory` (trailing
// blanks ignored, a backslash appended when missing; "" is the root of the
// current drive). 0: `name` holds the new file's full name, and the file
// stays on disk for the caller. 1: failure, `name` empty; a directory longer
// than kTempDirectoryMaxLength is refused this way without touching the disk.
int make_temp_file(const char* directory, std::string& name);

// 1 if the path exists and carries the read-only attribute (directories
// included), else 0.
int is_read_only(const char* path);

// Makes an existing file `length` bytes long (longer or shorter), opening it
// with no sharing. 0 done; 1 the file could not be opened (missing,
// read-only, held open elsewhere); 2 the position could not be set (a
// negative length); 3 the end of file could not be set.
int set_file_length(const char* path, std::int32_t length);

// The longest path drive_type looks at; a longer one yields -1.
inline constexpr std::size_t kDriveTypePathMaxLength = 260;

// The platform's drive-type code (DRIVE_UNKNOWN .. DRIVE_RAMDISK) of the
// drive of a path that begins with a letter, a colon and a backslash; -1 for
// any other path (UNC, relative, "c:" alone, empty, too long).
int drive_type(const char* path);

// The full path names full_path_name returns have fewer than this many bytes.
inline constexpr std::size_t kFullPathCapacity = 300;

// The full path of a file name, resolved against the current directory, and
// in `name_part` its final component ("" when the path ends in a separator).
// When the platform fails, or the full path needs kFullPathCapacity bytes
// or more, both are "". Always writes the trace line "valor de ret %d \n"
// with the platform call's result through debug_log.
std::string full_path_name(const char* file_name, std::string& name_part);

// The platform's texts, unchanged (the temporary directory ends in a
// backslash, the other two do not); "" when the platform fails or the text
// would not fit 260 characters.
std::string computer_name();
std::string system_directory();
std::string windows_directory();
std::string temp_directory();

}  // namespace zeb::fsutil
