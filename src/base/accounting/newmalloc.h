// newmalloc: counted memory blocks and counted file streams, with a report in
// a message box at normal process exit when either count is off.
//
// Blocks come from the platform's global-memory allocator as fixed blocks:
// the pointer is the block and never moves. A block from here goes back only
// through tracked_free, never to free(); a stream from tracked_fopen goes back
// through tracked_fclose. The module is single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/diagnostics/printf_format.h"

namespace zeb::accounting {

// The report text holds at most this many bytes, terminator included.
inline constexpr std::size_t kReportTextCapacity = 1000;
// Caption of every box this module shows.
inline constexpr const char* kMemoryDebugCaption = "ZEB Software memory debug";

// A fixed block of `size` bytes (contents undefined), or null. Counts the
// block on success. The first call of any allocating operation registers
// the unfreed-blocks report at exit, even when the allocation fails.
void* tracked_alloc(std::uint32_t size);

// A fixed, zero-filled block of count * size bytes, or null; counted on
// success. A size of 0 is a programming error: the process writes the
// assertion report for "size > 0" to standard error and aborts, in every
// build type. A count of 0 yields a zero-byte block. A product that does not
// fit in 32 bits is refused with null (nothing counted).
void* tracked_calloc(std::uint32_t count, std::uint32_t size);

// Null block: exactly tracked_alloc(size). Otherwise resizes the block where
// it stands: returns the same address, or null when it cannot grow there, the
// block then unchanged and still owned by the caller. A resize is not counted:
// the block was counted when it was obtained.
void* tracked_realloc(void* block, std::uint32_t size);

// Releases a block and uncounts it. A null block, or one the platform refuses
// to release, shows a box naming source_file and line and then aborts (no
// exit report runs). A null source_file is shown as "(null)".
void tracked_free(void* block, const char* source_file, int line);

// The runtime's stream for a Windows-form path, or null. Only a stream that
// was actually opened is counted. The first call of tracked_fopen or
// tracked_fclose registers the unclosed-files report at exit.
std::FILE* tracked_fopen(const char* path, const char* mode);

// Uncounts and closes a stream; returns the runtime's close result (0 on
// success). A null stream is not a stream: EOF, nothing counted or closed.
int tracked_fclose(std::FILE* stream);

// Formats a text with printf rules and shows it in a box captioned
// kMemoryDebugCaption with OK and Cancel, above other windows; the answer is
// not examined. A text of kReportTextCapacity bytes or more (terminator
// included) is refused: no box is shown.
void memory_debug_box(const char* format, ...) ZEB_PRINTF_FORMAT(1, 2);

// The exit-time handlers: each shows its box when its count is not zero.
void report_unfreed_blocks();
void report_unclosed_files();

// Blocks obtained and not yet freed; streams opened and not yet closed.
std::int32_t live_block_count();
std::int32_t open_file_count();

}  // namespace zeb::accounting
