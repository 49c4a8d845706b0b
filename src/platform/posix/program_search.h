// POSIX host: which file CreateProcessA starts.
// Windows rules over the POSIX tree: names are found case-insensitively and
// ".exe" is tried before the bare name, which POSIX programs need.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32.h"

namespace zeb::platform::posix {

// Finds the program named by the first token of a command line. A name with a
// path (a separator or a drive) is taken relative to the current directory;
// a bare name is looked for in the directory of the running executable, then
// the current directory, then each PATH entry. A name without extension is
// looked for with ".exe" appended, then as it is, place by place: the first
// place holding either wins.
// Returns ERROR_SUCCESS with the POSIX path in `host_out`, or
//   ERROR_FILE_NOT_FOUND  no such file;
//   ERROR_PATH_NOT_FOUND  a directory on the given path does not exist;
//   ERROR_ACCESS_DENIED   the name is a directory, or the file may not be run;
//   ERROR_INVALID_NAME    the name cannot be a file name.
DWORD find_program(std::string_view name, std::string& host_out);

// The application name given to CreateProcessA: a path taken as it is (no
// search, no extension added). Same results as find_program.
DWORD find_application(std::string_view path, std::string& host_out);

}  // namespace zeb::platform::posix
