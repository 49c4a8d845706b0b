// The compile-and-run pipeline: finds a source file's cached executable,
// compiles it again when the source's checksum no longer matches the stamp
// inside the executable, and runs it in the source's directory.
//
// Cache layout below the installation (base) directory:
//   zeb_c.dat                          the compiler's captured output
//   zeb_c.ini                          registry of cached executables
//   cache\<name>-<key>\<Name>.exe      cached executable, stamped
//   cache\<name>-<key>\<Name>.exe.manifest   its manifest (program_manifest.h)
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

#include "cache/run_state.h"
#include "cache/version.h"

namespace zeb::cache {

inline constexpr char kCaptureFileName[] = "zeb_c.dat";
inline constexpr std::size_t kStampSize = 300;
inline constexpr std::size_t kStampChecksumFromEnd = 10;

// The longest path (in characters) that the pipeline works with: the
// capture-file path, the cache directory and the executable path. A longer
// one is refused with result 5 before anything is created. The source path
// must also be one that strlib::split_path accepts (strlib::kMaxSplitLength).
inline constexpr std::size_t kMaxPathLength = 299;

// Written to standard error before a compile, followed by the toolchain's
// version line.
inline constexpr char kBanner[] = "ZEB Software ZEB_C JIT compiler version " ZEB_VERSION " \n";

// The libraries a compile links against, as they follow the output path on
// the compiler's command line (leading blank, two blanks between options);
// a compile names those of them that its toolchain can find.
extern const char kCompilerLibraries[];

// The longest command line Windows starts a program with (CreateProcess),
// terminator included; a program's command line past it is refused with 28
// before anything is compiled or run.
inline constexpr std::size_t kMaxCommandLine = 32767;

// The compiler's output is copied to standard error in chunks of this many bytes.
inline constexpr std::size_t kConsoleChunkSize = 4096;

// The compiler writes into a staging file beside the executable, named with
// this prefix before the executable's name and a part that is this run's
// alone ("~hello.zebc.<process>-<time>.exe": it ends in ".exe", as a MinGW
// driver wants its output to), and it is moved over the executable only once
// stamped. A compile cut short can thus leave nothing a later run would take
// for its own; what such a compile leaves is deleted by the next compile of
// the entry, or /flush.
inline constexpr char kStagingPrefix[] = "~";
inline constexpr char kStagingPattern[] = "~*";

// An executable that a running program still uses when a new compile of its
// source is ready is moved aside in its entry's directory, under a fresh
// name "<kRetiredPrefix>XXXX.tmp" (GetTempFileNameA's): no run, listing or
// registry line ever names it.
inline constexpr char kRetiredPrefix[] = "old";
inline constexpr char kRetiredPattern[] = "old*.tmp";

// Moves `executable` aside in `directory`; false when it cannot be.
bool retire(const std::string& directory, const std::string& executable);

// Deletes the executables moved aside in `directory` that nothing runs any
// more; true when none is left.
bool delete_retired(const std::string& directory);

// Where a source's cache entry lives: worked out once per run, then passed
// along. Every path is in Windows form.
struct CacheEntry {
  std::string source;          // the full source path, as given
  std::string base_directory;  // the installation
  std::uint32_t key = 0;       // cache_key(source)
  std::string directory;       // <base>\cache\<name>-<key>
  std::string executable;      // <directory>\<Name>.exe, the name as given
  std::string staging;         // staging_path_of(executable, this run's own part)
  std::string messages;        // <directory>\kCaptureFileName: this compile's own capture
  std::string capture;         // <base>\kCaptureFileName
};

// Fills `entry` for the source at `source_path` in the installation at
// `base_directory`; false when a path would exceed kMaxPathLength or the
// source path has no file name.
bool make_cache_entry(std::string_view source_path, std::string_view base_directory,
                      CacheEntry& entry);

// The staging file of an executable for a run whose own part is `unique`:
// kStagingPrefix before its name, `unique` before its ".exe".
std::string staging_path_of(std::string_view executable, std::string_view unique);

// Deletes every staging file in `directory` (kStagingPattern): those of
// compiles cut short. Only for a holder of the entry's lock.
void delete_staging_files(const std::string& directory);

// "cache\<lower-cased file name>-<key>" for a full source path.
std::string cache_entry_name(std::string_view source_path);

// The CRC-32 of the lower-cased source path: the key of its cache entry.
std::uint32_t cache_key(std::string_view source_path);

// gcc -x c -O3 "<source>" -o "<executable>"<libraries>, `libraries` being
// kCompilerLibraries or those of them the toolchain has (toolchain_libraries.h),
// after those the source names; the source's options follow.
std::string compiler_command_line(std::string_view source_path, std::string_view executable,
                                  std::string_view libraries = kCompilerLibraries);

// The compiled program's command line: the executable in double quotes, then
// each non-empty extra argument in slot order, quoted so that the program
// receives it byte for byte by the Windows command-line rules. A plain
// argument appears as "\"text\""; one holding double quotes or ending in
// backslashes gets the escapes those rules need.
std::string run_command_line(std::string_view executable, const ExtraArgs& extra);

// The checksum stamped into an executable: the 4 bytes kStampChecksumFromEnd
// before its end, least significant first; 0 when the file has no more than
// kStampChecksumFromEnd bytes. Returns false when it cannot be opened.
bool read_stamp(const char* executable, std::uint32_t* checksum);

// Runs the source file at `source_path` (full path, drive or UNC form) from
// the cache of the installation in `base_directory`, compiling first when
// needed; the current directory must be the base directory. The compiler
// runs in the source's directory; the program there too, or in
// `caller_directory` when the source asks for it (directives.h). Returns 0
// with program_exit_status set to the program's exit status, or:
//  30  a directive of the source is refused (its line, naming the file, the
//      line and what is refused, goes to standard error)
//  28  the program's or the compiler's command line would exceed
//      kMaxCommandLine
//   5  a path that does not fit (see kMaxPathLength), a source path without
//      a file name, the cache directory cannot be created (or does not
//      accept a new file), it or the entry's directory is a link when a
//      compile is due, or the executable cannot be registered
//   6  the cached executable exists but cannot be opened to read its stamp
//   7  the compiler could not be started
//   8  the compiler's messages cannot be captured, copied to the
//      installation's capture file or opened
//   9  the compiler failed, or reported success without writing its output
//      (its messages have been shown)
//  10  the new executable cannot be stamped or moved into place, or its
//      manifest cannot be written
//  11  the new executable cannot be opened to write the checksum
//  12  the program could not be started
// Before a compile it writes kBanner, the version line and " \n" to standard
// error, registers the executable in the installation's registry, and copies
// the compiler's messages to standard error: standard output is the
// program's alone. Both streams are flushed before each child starts, so the
// children's output follows everything written before it.
//
// Overlapping runs: the entry lock (cache/cache_locks.h) is held from the
// freshness check until the program has started; the checksum stamped is
// that of the source when the compile began; a failed compile or stamp
// keeps nothing, and the old executable stays until a stamped one replaces
// it in one step.
int compile_and_run(const char* source_path, const char* base_directory, const char* caller_directory);

}  // namespace zeb::cache
