// Child processes with captured output, and the two plain file helpers the
// cache is built on (whole-buffer writes and file sizes). None of these use
// the counted file operations of the accounting module.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <functional>

namespace zeb::cache {

// The child's output moves from the pipe to the capture file in chunks of at
// most this many bytes, each appended by reopening the file.
inline constexpr std::size_t kOutputChunkSize = 4096;

// The end of a child is observed by waits of this many milliseconds.
inline constexpr std::uint32_t kChildWaitMilliseconds = 50;

// What run_captured returns when no child was started (callers test
// `started` first; this value is never a real outcome of a started child
// that they would mistake for success).
inline constexpr std::uint32_t kNotStartedStatus = 0xFFFFFFFFu;

// Starts `command_line` (the program is its first token, searched along PATH
// by the platform's rules) in `working_directory` (null: the current one),
// waits for it to end and returns its exit status. `*started` becomes 1 when
// the child was started, else 0, and must be tested before the result is
// used; a child that was not started gives kNotStartedStatus.
//
// With a `capture_path`, that file is deleted first; the child's standard
// output and standard error share one pipe whose bytes are appended to the
// file as they come, so the file exists afterwards only if something was
// written. The child's standard input is an empty pipe that reports its end
// at once. The capture ends when the child and every process that inherited
// its output have closed it. A captured child is a tool's (the compiler's)
// and is tied to this process (platform::create_tied_process): it never
// outlives it. Without a capture path the child shares this
// process's console and standard handles and is the program in the
// foreground while it runs (platform::ForegroundProgram): the keys that
// interrupt are its to answer, and on POSIX a SIGTERM or SIGHUP for this
// process is passed on to it (platform::create_program_process: on POSIX its
// argv[0] is its host path). No signal that would end this process is handled
// before what it does to the child is in place.
//
// `capture_complete`, when given, becomes false if any of the output could
// not be appended to the capture file. `on_started`, when given, is called
// once the child has been started (and before it is waited for).
std::uint32_t run_captured(const char* command_line, const char* working_directory,
                           std::int32_t* started, const char* capture_path,
                           bool* capture_complete = nullptr,
                           const std::function<void()>& on_started = {});

// Mode codes of write_file.
inline constexpr std::int32_t kWriteOverwrite = 0;  // create or replace (any value but 1)
inline constexpr std::int32_t kWriteAppend = 1;     // create or append

// Results of write_file.
inline constexpr int kWriteOk = 0;          // every byte written
inline constexpr int kWriteOpenFailed = 1;  // the file could not be opened
inline constexpr int kWriteShort = 2;       // fewer bytes reached the file than asked

// Writes `length` bytes of `data` to `path`, replacing or appending by
// `mode`. A read-only file is made writable first. With a non-zero
// `size_limit`, a file already larger than the limit is deleted before an
// append, so it restarts with this data. A negative length, or null data with
// a positive length, writes nothing, leaves the file as it was and gives
// kWriteShort; a close that fails to flush the bytes gives kWriteShort too.
int write_file(const char* path, const void* data, std::int32_t length, std::int32_t mode,
               std::uint32_t size_limit);

// The size of the file at `path` in bytes; 0 when it cannot be opened (a
// missing file reads as an empty one). A file larger than a signed 32-bit
// value can hold gives kFileSizeCeiling.
inline constexpr std::int32_t kFileSizeCeiling = INT32_MAX;
std::int32_t file_size(const char* path);

// At most `limit` bytes from the start of the file at `path`, read a chunk at
// a time (a small file costs no buffer the size of the limit); empty when it
// cannot be read.
std::string read_file_start(const std::string& path, std::size_t limit);

}  // namespace zeb::cache
