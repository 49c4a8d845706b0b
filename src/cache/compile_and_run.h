// The compile-and-run pipeline: finds a source file's cached executable,
// compiles it again when the source's checksum no longer matches the stamp
// inside the executable, and runs it in the source's directory.
//
// Cache layout below the installation (base) directory:
//   zeb_c.dat                          the compiler's captured output
//   zeb_c.ini                          registry of cached executables
//   cache\<name>-<key>\<Name>.exe      cached executable, stamped
// <name> is the source's file name in lower case, <key> the CRC-32 of the
// lower-cased full source path in eight lower-case hex digits, <Name> the
// file name as given. The stamp is kStampSize bytes appended to what the
// compiler wrote; the content checksum sits kStampChecksumFromEnd bytes
// before the end, least significant byte first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "driver/run_state.h"

namespace zeb::cache {

inline constexpr char kCaptureFileName[] = "zeb_c.dat";
inline constexpr std::size_t kStampSize = 300;
inline constexpr std::size_t kStampChecksumFromEnd = 10;

// The longest path (in characters) that the pipeline works with: the
// capture-file path, the cache directory and the executable path. A longer
// one is refused with result 5 before anything is created. The source path
// must also be one that driver::split_path accepts (driver::kMaxSplitLength).
inline constexpr std::size_t kMaxPathLength = 299;

// Printed before a compile, followed by the toolchain's version line.
inline constexpr char kBanner[] = "ZEB Software ZEB_C JIT compiler version 1.0.0 \n";

// The libraries every compile links against, as they follow the output path
// on the compiler's command line (leading blank, two blanks between options).
extern const char kCompilerLibraries[];

// The compiler's output is shown in chunks of this many bytes.
inline constexpr std::size_t kConsoleChunkSize = 4096;

// "cache\<lower-cased file name>-<key>" for a full source path.
std::string cache_entry_name(std::string_view source_path);

// The CRC-32 of the lower-cased source path: the key of its cache entry.
std::uint32_t cache_key(std::string_view source_path);

// gcc -x c -O3 "<source>" -o "<executable>" <kCompilerLibraries>
std::string compiler_command_line(std::string_view source_path, std::string_view executable);

// The compiled program's command line: the executable in double quotes, then
// each non-empty extra argument in slot order, quoted so that the program
// receives it byte for byte by the Windows command-line rules. A plain
// argument appears as "\"text\""; one holding double quotes or ending in
// backslashes gets the escapes those rules need.
std::string run_command_line(std::string_view executable, const driver::ExtraArgs& extra);

// The checksum stamped into an executable: the 4 bytes kStampChecksumFromEnd
// before its end, least significant first; 0 when the file has no more than
// kStampChecksumFromEnd bytes. Returns false when it cannot be opened.
bool read_stamp(const char* executable, std::uint32_t* checksum);

// Runs the source file at `source_path` (full path, drive or UNC form) from
// the cache of the installation in `base_directory`, compiling first when
// needed; the current directory must be the base directory. Returns 0 with
// driver::program_exit_status set to the program's exit status, or:
//   5  a path that does not fit (see kMaxPathLength), a source path without
//      a file name, or the cache directory cannot be created (or does not
//      accept a new file)
//   6  the cached executable exists but cannot be opened to read its stamp
//   7  the compiler could not be started
//   8  the compiler's capture file exists but cannot be opened
//   9  the compiler failed (its messages have been shown)
//  10  the new executable cannot be opened to append the stamp
//  11  the new executable cannot be opened to write the checksum
//  12  the program could not be started
// Before a compile it prints kBanner, the version line and " \n", registers
// the executable in the installation's registry, and shows the compiler's
// messages. Standard output is flushed before each child starts, so the
// children's output follows everything printed before it.
int compile_and_run(const char* source_path, const char* base_directory);

}  // namespace zeb::cache
