#include "cache/compile_and_run.h"

#include <array>
#include <cstdio>
#include <memory>

#include "base/accounting/newmalloc.h"
#include "cache/cache_locks.h"
#include "cache/checksum.h"
#include "cache/directives.h"
#include "cache/source_checksum.h"
#include "cache/process_runner.h"
#include "cache/program_manifest.h"
#include "cache/toolchain_check.h"
#include "cache/toolchain_libraries.h"
#include "cache/cache_registry.h"
#include "cache/result_codes.h"
#include "base/strlib/path_names.h"
#include "fsutil/directory_creation.h"
#include "fsutil/path_tests.h"
#include "platform/portable/command_line.h"
#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::cache {

const char kCompilerLibraries[] =
    " -luser32  -lkernel32  -ladvapi32  -lshell32  -lavicap32  -lavifil32  -lcfgmgr32"
    "  -lcomctl32  -lcomdlg32  -lcrypt32  -lgdi32  -limagehlp  -limm32  -lmapi32  -lmsacm32"
    "  -lmswsock  -lnetapi32  -lntdll  -lodbc32  -lodbccp32  -lole32  -loleacc"
    "  -loleaut32  -lolecli32  -loledlg  -lolepro32  -lolesvr32  -lopengl32  -lpenwin32"
    "  -lpkpd32  -lpowrprof  -lpsapi  -lquartz  -lrapi  -lrasapi32  -lrasdlg  -lrpcdce4"
    "  -lrpcns4  -lrpcrt4  -lsecur32  -lsetupapi  -lshfolder  -lshlwapi  -lsnmpapi  -lstrmiids"
    "  -lsvrapi  -ltapi32  -lth32  -lthunk32  -lurl  -lversion  -lvfw32  -lwininet  -lwinmm"
    "  -lwow32  -lws2_32  -lwsnmp32  -lwsock32";

namespace {

struct TrackedCloser {
  void operator()(std::FILE* stream) const { accounting::tracked_fclose(stream); }
};
using TrackedStream = std::unique_ptr<std::FILE, TrackedCloser>;

TrackedStream open_tracked(const std::string& path, const char* mode) {
  return TrackedStream(accounting::tracked_fopen(path.c_str(), mode));
}

std::string lower_case(std::string_view text) {
  std::string lower(text);
  strlib::to_lower(lower);
  return lower;
}

std::string file_name_of(std::string_view path) {
  std::string name;
  strlib::split_path(std::string(path).c_str(), nullptr, &name);
  return name;
}

std::string directory_of(std::string_view path) {
  std::string directory;
  strlib::split_path(std::string(path).c_str(), &directory, nullptr);
  return directory;
}

std::string joined(std::string_view directory, std::string_view name) {
  std::string path(directory);
  strlib::add_trailing_backslash(path);
  path += name;
  return path;
}

bool too_long(const std::string& path) { return path.size() > kMaxPathLength; }

// This run's own part of a staging name: its process and the time it asked,
// which no other run, living or cut short, has.
std::string run_unique_part() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%08lx-%08lx%08lx", static_cast<unsigned long>(GetCurrentProcessId()),
                static_cast<unsigned long>(now.dwHighDateTime), static_cast<unsigned long>(now.dwLowDateTime));
  return text.data();
}

// A link (a reparse point), as the system finds the name.
bool is_link(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// One argument of the program's command line. Plain text goes in double
// quotes as it always has; text that those quotes would change (embedded
// quotes, trailing backslashes) gets the escapes of the Windows rules.
std::string quoted_argument(const std::string& argument) {
  const bool plain = argument.find('"') == std::string::npos && argument.back() != '\\';
  if (plain) return "\"" + argument + "\"";
  return platform::quote_argument(argument);
}

// Copies the compiler's captured messages to standard error; false when the
// capture exists but cannot be opened.
bool show_capture(const std::string& capture_path) {
  if (!fsutil::file_exists(capture_path.c_str())) return true;
  TrackedStream capture = open_tracked(capture_path, "rb");
  if (!capture) return false;
  // One byte beyond the chunk stays zero, so every chunk prints as a text.
  std::array<char, kConsoleChunkSize + 1> chunk{};
  for (;;) {
    chunk.fill('\0');
    if (std::fread(chunk.data(), 1, kConsoleChunkSize, capture.get()) == 0) break;
    std::fputs(chunk.data(), stderr);
  }
  return true;
}

// Closes a tracked stream and tells whether everything written reached the file.
bool close_checked(TrackedStream& stream) {
  return accounting::tracked_fclose(stream.release()) == 0;
}

// Appends the stamp to the compiler's output: kStampSize zero bytes, then
// the checksum written kStampChecksumFromEnd bytes before the new end. Any
// failed or short write fails the stamp; the caller drops the file.
int stamp(const std::string& file, std::uint32_t checksum) {
  {
    TrackedStream out = open_tracked(file, "ab");
    if (!out) return StampAppendFailed;
    const std::array<unsigned char, kStampSize> zeros{};
    const bool written = std::fwrite(zeros.data(), 1, zeros.size(), out.get()) == zeros.size();
    if (!close_checked(out) || !written) return StampAppendFailed;
  }
  TrackedStream out = open_tracked(file, "rb+");
  if (!out) return StampUpdateFailed;
  const std::int32_t size = file_size(file.c_str());
  if (size < static_cast<std::int32_t>(kStampSize)) return StampUpdateFailed;
  const std::array<unsigned char, 4> bytes = {
      static_cast<unsigned char>(checksum), static_cast<unsigned char>(checksum >> 8),
      static_cast<unsigned char>(checksum >> 16), static_cast<unsigned char>(checksum >> 24)};
  const bool written =
      std::fseek(out.get(), size - static_cast<long>(kStampChecksumFromEnd), SEEK_SET) == 0 &&
      std::fwrite(bytes.data(), 1, bytes.size(), out.get()) == bytes.size();
  if (!close_checked(out) || !written) return StampUpdateFailed;
  return Success;
}

// Moves the stamped staging file over the executable. Windows lets a running
// program's file be renamed, never replaced: while the old program still
// runs (in another console, say) it is moved aside within the entry's
// directory first, and deleted once nothing runs it. Earlier programs moved
// aside go here too, those whose runs have ended.
bool move_into_place(const std::string& directory, const std::string& staging,
                     const std::string& executable) {
  delete_retired(directory);
  if (MoveFileExA(staging.c_str(), executable.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  return retire(directory, executable) && MoveFileExA(staging.c_str(), executable.c_str(), 0);
}

// Copies a file into a new one, a chunk at a time: a compiler's messages can
// be far larger than anything worth holding in memory. False when anything
// could not be read or written; the copy may then be partial.
bool copy_file(const std::string& from, const std::string& to) {
  using Stream = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;
  Stream in(platform::open_stream(from.c_str(), "rb"), std::fclose);
  if (!in) return false;
  Stream out(platform::open_stream(to.c_str(), "wb"), std::fclose);
  if (!out) return false;
  std::array<char, kConsoleChunkSize> chunk{};
  bool copied = true;
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in.get());
    if (got > 0 && std::fwrite(chunk.data(), 1, got, out.get()) != got) copied = false;
    if (got < chunk.size()) break;
  }
  copied = copied && std::ferror(in.get()) == 0;
  return std::fclose(out.release()) == 0 && copied;
}

// The installation's capture file gets this compile's messages, so that it
// holds, as ever, the output of the last toolchain check or compile; with no
// messages it does not exist. False when that cannot be done.
bool publish_messages(const CacheEntry& entry) {
  const CacheLock installation = lock_installation(entry.base_directory);
  platform::remove_file(entry.capture.c_str());
  if (fsutil::file_exists(entry.capture.c_str())) return false;
  if (!fsutil::file_exists(entry.messages.c_str())) return true;
  return copy_file(entry.messages, entry.capture);
}

// Compiles the source into the staging file, stamps it with `checksum` (that
// of the source as it was before the compiler started) and moves it into
// place in one step, so that no run ever finds a half-written or unstamped
// executable. Whatever fails leaves no staging file and the old executable,
// if any, as it was. The caller holds the entry lock.
int compile(CacheEntry& entry, std::uint32_t checksum, const Directives& directives) {
  std::fputs(kBanner, stderr);
  std::fprintf(stderr, "%s \n", toolchain_version_line());
  // Registered before the compile, whatever its outcome, so that /flush can
  // always find what a compile leaves. The registry lower-cases the path in
  // place; the run uses that form.
  const std::string executable_as_named = entry.executable;
  if (cache_registry_in(entry.base_directory, kRegistryRegister, &entry.executable) != 0) {
    return CachePathFailed;
  }

  // Left over from runs that were cut short: never this run's to publish.
  delete_staging_files(entry.directory);
  // Settled on every compile, never on a cached run: the toolchain beside
  // zeb_c may be replaced between two compiles. The toolchain is asked again
  // only when it or its library directories have changed since it was last
  // asked.
  const std::string libraries = toolchain_library_text(
      entry.messages, entry.base_directory, library_question_key(toolchain_report_fingerprint()));
  std::string command =
      compiler_command_line(entry.source, entry.staging, library_arguments(directives) + libraries);
  // A script's -Wall would have gcc warn of the very pragmas that named it;
  // one the script names itself, later, still counts.
  if (!directives.options.empty()) command += " -Wno-unknown-pragmas";
  command += option_arguments(directives);
  if (command.size() >= kMaxCommandLine) return ArgumentTooLong;
  std::fflush(stdout);
  std::fflush(stderr);
  std::int32_t started = 0;
  bool captured = true;
  // In the source's directory: the paths a script's options name (-Iinclude)
  // are the script's, as its quoted includes are.
  const std::string source_directory = directory_of(entry.source);
  const std::uint32_t status = run_captured(command.c_str(), source_directory.c_str(), &started,
                                            entry.messages.c_str(), &captured);
  const bool published = publish_messages(entry);
  if (started == 0) return CompilerNotStarted;
  const bool shown = show_capture(entry.messages);
  platform::remove_file(entry.messages.c_str());
  if (!shown || !captured || !published) {
    platform::remove_file(entry.staging.c_str());
    return CompilerOutputUnopenable;
  }
  // A compiler that reports success without its output has failed as well.
  if (status != 0 || !fsutil::file_exists(entry.staging.c_str())) {
    platform::remove_file(entry.staging.c_str());
    return CompilationError;
  }
  int result = stamp(entry.staging, checksum);
  // The manifest first: the program must never start without it.
  if (result == Success && (!publish_program_manifest(executable_as_named) ||
                            !move_into_place(entry.directory, entry.staging, executable_as_named))) {
    result = StampAppendFailed;
  }
  if (result != Success) platform::remove_file(entry.staging.c_str());
  return result;
}

}  // namespace

std::uint32_t cache_key(std::string_view source_path) {
  const std::string lower = lower_case(source_path);
  return crc32_update(0, lower.data(), static_cast<std::uint32_t>(lower.size()));
}

namespace {

// "cache\<lower-cased name>-<key>" from the lower-cased path and its key.
std::string entry_name(const std::string& lower_path, std::uint32_t key) {
  std::array<char, 9> digits{};
  std::snprintf(digits.data(), digits.size(), "%08x", static_cast<unsigned>(key));
  return "cache\\" + file_name_of(lower_path) + "-" + digits.data();
}

}  // namespace

std::string cache_entry_name(std::string_view source_path) {
  return entry_name(lower_case(source_path), cache_key(source_path));
}

std::string compiler_command_line(std::string_view source_path, std::string_view executable,
                                  std::string_view libraries) {
  std::string command = "gcc -x c -O3 \"";
  command += source_path;
  command += "\" -o \"";
  command += executable;
  command += "\"";
  command += libraries;
  return command;
}

std::string run_command_line(std::string_view executable, const ExtraArgs& extra) {
  std::string command = "\"";
  command += executable;
  command += "\"";
  for (const std::string& argument : extra.slots) {
    if (argument.empty()) continue;
    command += ' ';
    command += quoted_argument(argument);
  }
  return command;
}

bool read_stamp(const char* executable, std::uint32_t* checksum) {
  *checksum = 0;
  TrackedStream in(accounting::tracked_fopen(executable, "rb"));
  if (!in) return false;
  // Four bytes are wanted, not a buffer's worth around them.
  std::setvbuf(in.get(), nullptr, _IONBF, 0);
  // The size from the open stream itself: no second open to measure it.
  const long size = std::fseek(in.get(), 0, SEEK_END) == 0 ? std::ftell(in.get()) : 0;
  if (size > static_cast<long>(kStampChecksumFromEnd)) {
    std::array<unsigned char, 4> bytes{};
    if (std::fseek(in.get(), size - static_cast<long>(kStampChecksumFromEnd), SEEK_SET) == 0 &&
        std::fread(bytes.data(), 1, bytes.size(), in.get()) == bytes.size()) {
      *checksum = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                  static_cast<std::uint32_t>(bytes[2]) << 16 |
                  static_cast<std::uint32_t>(bytes[3]) << 24;
    }
  }
  return true;
}

bool make_cache_entry(std::string_view source_path, std::string_view base_directory,
                      CacheEntry& entry) {
  entry = CacheEntry{};
  entry.source = source_path;
  entry.base_directory = base_directory;
  // The path is lower-cased, hashed and split once each; every name below
  // comes from these.
  const std::string lower = lower_case(entry.source);
  const std::string name = file_name_of(entry.source);
  entry.key = crc32_update(0, lower.data(), static_cast<std::uint32_t>(lower.size()));
  entry.capture = joined(base_directory, kCaptureFileName);
  entry.directory = joined(base_directory, entry_name(lower, entry.key));
  entry.executable = joined(entry.directory, name + ".exe");
  entry.staging = staging_path_of(entry.executable, run_unique_part());
  entry.messages = joined(entry.directory, kCaptureFileName);
  // Every later text is built from these; refusing them here means no path
  // is ever cut, and nothing has been created yet. A source path that cannot
  // be split has no file name.
  return !name.empty() && !too_long(entry.source) && !too_long(entry.capture) &&
         !too_long(entry.directory) && !too_long(entry.staging) && !too_long(entry.messages);
}

bool retire(const std::string& directory, const std::string& executable) {
  std::array<char, MAX_PATH + 1> aside{};
  // A fresh name of its own: several old programs may still be running.
  if (GetTempFileNameA(directory.c_str(), kRetiredPrefix, 0, aside.data()) == 0) return false;
  if (MoveFileExA(executable.c_str(), aside.data(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileA(aside.data());
  return false;
}

bool delete_retired(const std::string& directory) {
  const std::string pattern = joined(directory, kRetiredPattern);
  WIN32_FIND_DATAA found{};
  const HANDLE find = FindFirstFileA(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return true;
  bool all_gone = true;
  do {
    // Still running: kept for a later compile or /flush.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !DeleteFileA(joined(directory, found.cFileName).c_str())) {
      all_gone = false;
    }
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return all_gone;
}

std::string staging_path_of(std::string_view executable, std::string_view unique) {
  const std::size_t slash = executable.rfind('\\');
  const std::size_t name_at = slash == std::string_view::npos ? 0 : slash + 1;
  constexpr std::string_view kExe = ".exe";
  const std::size_t end = executable.ends_with(kExe) ? executable.size() - kExe.size() : executable.size();
  std::string staging(executable.substr(0, name_at));
  staging += kStagingPrefix;
  staging += executable.substr(name_at, end - name_at);
  staging += '.';
  staging += unique;
  staging += kExe;
  return staging;
}

void delete_staging_files(const std::string& directory) {
  const std::string pattern = joined(directory, kStagingPattern);
  WIN32_FIND_DATAA found{};
  const HANDLE find = FindFirstFileA(pattern.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) DeleteFileA(joined(directory, found.cFileName).c_str());
  } while (FindNextFileA(find, &found));
  FindClose(find);
}

int compile_and_run(const char* source_path, const char* base_directory, const char* caller_directory) {
  CacheEntry entry;
  if (!make_cache_entry(source_path, base_directory, entry)) return CachePathFailed;
  // Known before anything is compiled: a compile for a program that cannot
  // be started would be wasted.
  if (run_command_line(entry.executable, extra_args).size() >= kMaxCommandLine) return ArgumentTooLong;

  // From the freshness check to the stamp, this entry is ours alone: a
  // second run of the same source waits here and then finds it fresh.
  CacheLock entry_lock = lock_entry(entry.base_directory, entry.key);

  // Read once, before any compile, with the local headers it includes: a
  // source or header saved while it compiles leaves an executable whose stamp
  // no longer matches, so the next run compiles again. 0 when the source
  // cannot be read.
  Directives directives;
  const std::uint32_t checksum = source_checksum(entry.source, &directives);
  // Whether fresh or not: a program is never run against what its source asks.
  if (!directives.refusal.empty()) {
    std::fprintf(stderr, "%s \n", directives.refusal.c_str());
    return DirectiveRefused;
  }
  // Opened straight away: only when that fails does it matter whether the
  // executable exists (then it cannot be read: 6) or not (compile).
  std::uint32_t stored = 0;
  bool up_to_date = false;
  if (read_stamp(entry.executable.c_str(), &stored)) {
    up_to_date = checksum == stored;
  } else if (fsutil::file_exists(entry.executable.c_str())) {
    return CachedChecksumUnreadable;
  }
  if (!up_to_date) {
    // Only a compile writes into the cache directory: a cached run neither
    // creates it nor probes it. A compile deletes and writes there, so
    // neither the cache directory nor the entry's may be a link that would
    // take that elsewhere.
    if (is_link(joined(entry.base_directory, "cache"))) return CachePathFailed;
    if (fsutil::create_directory_path(entry.directory.c_str()) != 0) return CachePathFailed;
    if (is_link(entry.directory)) return CachePathFailed;
    const int result = compile(entry, checksum, directives);
    if (result != Success) return result;
  }

  const std::string command = run_command_line(entry.executable, extra_args);
  const std::string working_directory =
      directives.workdir == Workdir::Caller ? std::string(caller_directory) : directory_of(entry.source);
  std::fflush(stdout);
  std::fflush(stderr);
  std::int32_t started = 0;
  // Held until the program has started, so that a /flush cannot take its
  // file away in between; never while it runs.
  const std::uint32_t status = run_captured(command.c_str(), working_directory.c_str(), &started,
                                            nullptr, nullptr, [&entry_lock] { entry_lock.release(); });
  if (started == 0) return CompiledProgramNotStarted;
  program_exit_status = static_cast<std::int32_t>(status);
  return Success;
}

}  // namespace zeb::cache
