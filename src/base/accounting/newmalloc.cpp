#include "base/accounting/newmalloc.h"

#include <array>
#include <cstdarg>
#include <cstdlib>

#include "platform/win32.h"

namespace zeb::accounting {

namespace {

constexpr const char* kNullFreeFormat = "Trying to free NULL , file %s , line %d \n";
constexpr const char* kFreeErrorFormat = "Memory deallocation error , file %s , line %d \n";
constexpr const char* kLeakFormat = "Memory leak detected , number of memory not freed = %d\n";
constexpr const char* kUnclosedFormat =
    "File not closed detected , number of files not closed = %d\n";

// Plain integers on purpose: the module is single-threaded by contract.
std::int32_t live_blocks = 0;
std::int32_t open_files = 0;
bool memory_report_registered = false;
bool file_report_registered = false;

std::array<char, kReportTextCapacity> report_text{};

// The standard assert vanishes under NDEBUG; this check must hold in every
// build, so it writes the runtime's assertion report itself.
[[noreturn]] void assertion_failed(const char* expression, int line) {
  std::fprintf(stderr, "Assertion failed: %s, file newmalloc.cpp, line %d\n", expression, line);
  std::fflush(stderr);
  std::abort();
}

void register_memory_report() {
  if (memory_report_registered) return;
  std::atexit(report_unfreed_blocks);
  memory_report_registered = true;
}

void register_file_report() {
  if (file_report_registered) return;
  file_report_registered = true;
  std::atexit(report_unclosed_files);
}

void* counted_block(UINT flags, std::uint32_t size) {
  void* block = GlobalAlloc(flags, size);
  if (block != nullptr) ++live_blocks;
  return block;
}

}  // namespace

void* tracked_alloc(std::uint32_t size) {
  register_memory_report();
  return counted_block(GMEM_FIXED, size);
}

void* tracked_calloc(std::uint32_t count, std::uint32_t size) {
  register_memory_report();
  if (!(size > 0)) assertion_failed("size > 0", __LINE__);
  // A wrapped product would hand out a block smaller than the caller asked for.
  const std::uint64_t bytes = std::uint64_t{count} * size;
  if (bytes > UINT32_MAX) return nullptr;
  return counted_block(GMEM_FIXED | GMEM_ZEROINIT, static_cast<std::uint32_t>(bytes));
}

void* tracked_realloc(void* block, std::uint32_t size) {
  register_memory_report();
  if (block == nullptr) return counted_block(GMEM_FIXED, size);
  // Flags 0: the block may not move, so callers' other pointers into it stay good.
  return GlobalReAlloc(block, size, 0);
}

void tracked_free(void* block, const char* source_file, int line) {
  const char* file = source_file != nullptr ? source_file : "(null)";
  if (block == nullptr) {
    memory_debug_box(kNullFreeFormat, file, line);
    std::abort();
  }
  if (GlobalFree(block) != nullptr) {
    memory_debug_box(kFreeErrorFormat, file, line);
    std::abort();
  }
  --live_blocks;
}

std::FILE* tracked_fopen(const char* path, const char* mode) {
  register_file_report();
  std::FILE* stream = platform::open_stream(path, mode);
  if (stream != nullptr) ++open_files;
  return stream;
}

int tracked_fclose(std::FILE* stream) {
  register_file_report();
  if (stream == nullptr) return EOF;
  --open_files;
  return std::fclose(stream);
}

void memory_debug_box(const char* format, ...) {
  report_text.fill('\0');
  if (format == nullptr) return;
  std::va_list arguments;
  va_start(arguments, format);
  const int length = std::vsnprintf(report_text.data(), report_text.size(), format, arguments);
  va_end(arguments);
  if (length < 0 || static_cast<std::size_t>(length) >= report_text.size()) {
    // Refused rather than shown cut short.
    report_text.fill('\0');
    return;
  }
  MessageBoxA(nullptr, report_text.data(), kMemoryDebugCaption, MB_TOPMOST | MB_OKCANCEL);
}

void report_unfreed_blocks() {
  if (live_blocks != 0) memory_debug_box(kLeakFormat, live_blocks);
}

void report_unclosed_files() {
  if (open_files != 0) memory_debug_box(kUnclosedFormat, open_files);
}

std::int32_t live_block_count() { return live_blocks; }

std::int32_t open_file_count() { return open_files; }

}  // namespace zeb::accounting
