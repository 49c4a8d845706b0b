// The result codes of a run and the one table of their messages.
#pragma once

#include <cstdint>

namespace zeb::cache {

// The outcome of a run; a non-zero value is also the process exit status.
enum ResultCode : std::int32_t {
  Success = 0,
  UsageShown = 1,
  SourceMissing = 2,
  InternalSplitFailed = 3,
  ExeDirectoryUnavailable = 4,
  CachePathFailed = 5,
  CachedChecksumUnreadable = 6,
  CompilerNotStarted = 7,
  CompilerOutputUnopenable = 8,
  CompilationError = 9,
  StampAppendFailed = 10,
  StampUpdateFailed = 11,
  CompiledProgramNotStarted = 12,
  ProgramOutputUnopenable = 13,
  LeadingBackslash = 14,
  LeadingDot = 15,
  CaptureFileNotDeleted = 16,
  GccNotStarted = 17,
  GccVersionFailed = 18,
  CaptureFileMissing = 19,
  CaptureFileUnopenable = 20,
  GccTooOld = 21,
  GccVersionWordsMissing = 22,
  GccNotMingw = 23,
  CaptureFileEmpty = 24,
  ExePathSplitFailed = 25,
  ExeFileNameUnavailable = 26,
  ExeModuleUnavailable = 27,
  // Not in the original table: a resolved source path longer than its
  // 299-character text, or a program command line longer than Windows starts
  // one with, is refused rather than cut.
  ArgumentTooLong = 28,
  // Not in the original table: the user's own state directory belongs to
  // another user or may be changed by others, so nothing kept there is run.
  StateDirectoryNotPrivate = 29,
  // Not in the original table: a directive of the source (directives.h)
  // cannot be read or asks for a compiler option that is not allowed.
  DirectiveRefused = 30,
};

// The message that `main` writes to standard error for a result: null for 0,
// 1 and 2 (their text was written where they arose), "unexpected error\n" outside 1..30.
// The text is static.
const char* result_message(std::int32_t code);

}  // namespace zeb::cache
