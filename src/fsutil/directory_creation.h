// Creating a directory together with every missing directory above it, with
// a numbered result and a fixed message for each result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zeb::fsutil {

// The outcome of a directory creation. The values are fixed: callers and
// users see them.
enum DirectoryResult : std::int32_t {
  DirectoryReady = 0,            // exists and takes new files
  DirectoryPathEmpty = 1,
  DirectoryPathNotAbsolute = 2,  // neither drive form nor UNC form
  DirectoryIsFile = 3,           // drive form, the path names a file (create_directory_under)
  DirectoryNotCreated = 4,       // drive form, missing after the attempt
  DirectoryUncIsFile = 5,        // UNC form, the path names a file (create_directory_under)
  DirectoryUncNotCreated = 6,    // UNC form, missing after the attempt
  DirectoryPathTooShort = 7,     // exactly one character
  DirectoryTooManyColons = 8,
  DirectoryHasQuestionMark = 9,
  DirectoryHasStar = 10,
  DirectoryHasLessThan = 11,
  DirectoryHasGreaterThan = 12,
  DirectoryHasSlash = 13,
  DirectoryHasDoubleQuote = 14,
  DirectoryReadOnly = 15,        // exists but takes no new files
  DirectoryHasVerticalBar = 16,
  DirectoryPartIsFile = 17,      // a leading part, or the whole path, is a file
};

// create_directory_path handles paths of at most this many characters.
inline constexpr std::size_t kDirectoryPathMaxLength = 299;
// create_directory_under handles base + separator + path of at most this many.
inline constexpr std::size_t kDirectoryUnderMaxLength = 499;

// Creates the directory named by an absolute path (drive or UNC form) and
// every missing directory above it. One trailing backslash is ignored (not
// that of a drive root such as "c:\"). Character checks come first (8 to 14,
// 16; '/' is refused here), then the form (2). A leading part, or the whole
// path, that is a file yields 17 and becomes the conflicting path that
// directory_error_text(17) names. A path longer than
// kDirectoryPathMaxLength is not created at all: 4 (drive form), 6 (UNC) or
// 2, after the character checks. Directories created before a failure stay.
// A null path counts as empty.
std::int32_t create_directory_path(const char* path);

// The same for `path` below `base` (base may be null or empty: path alone),
// with '/' accepted as a separator and no character checks: results 0 to 7
// and 15 only. A combined path longer than kDirectoryUnderMaxLength is not
// created at all: 4 (drive form), 6 (UNC) or 2.
std::int32_t create_directory_under(const char* base, const char* path);

// The fixed message of a result; for 17 it names the conflicting path of the
// most recent result 17 of this process (empty before the first). Values
// outside 0..17 get "Unexpected return value to the function to create
// directories". At most 339 characters.
std::string directory_error_text(std::int32_t value);

}  // namespace zeb::fsutil
