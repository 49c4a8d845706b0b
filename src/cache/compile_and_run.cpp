#include "cache/compile_and_run.h"

#include <array>
#include <cstdio>
#include <memory>

#include "accounting/newmalloc.h"
#include "cache/checksum.h"
#include "cache/process_runner.h"
#include "cache/toolchain_check.h"
#include "driver/cache_registry.h"
#include "driver/result_codes.h"
#include "driver/source_path.h"
#include "fsutil/directory_creation.h"
#include "fsutil/path_tests.h"
#include "platform/portable/command_line.h"
#include "strlib/string_primitives.h"

namespace zeb::cache {

const char kCompilerLibraries[] =
    " -luser32  -lkernel32  -ladvapi32  -lshell32  -lavicap32  -lavifil32  -lcfgmgr32"
    "  -lcomctl32  -lcomdlg32  -lcrypt32  -lgdi32  -limagehlp  -limm32  -lmapi32  -lmsacm32"
    "  -lmswsock  -lnetapi32  -lntdll  -lntoskrnl  -lodbc32  -lodbccp32  -lole32  -loleacc"
    "  -loleaut32  -lolecli32  -loledlg  -lolepro32  -lolesvr32  -lopengl32  -lpenwin32"
    "  -lpkpd32  -lpowrprof  -lpsapi  -lquartz  -lrapi  -lrasapi32  -lrasdlg  -lrpcdce4"
    "  -lrpcns4  -lrpcrt4  -lsecur32  -lsetupapi  -lshfolder  -lshlwapi  -lsnmpapi  -lstrmiids"
    "  -lsvrapi  -ltapi32  -lth32  -lthunk32  -lurl  -lversion  -lvfw32  -lwininet  -lwinmm"
    "  -lwow32  -lws2_32  -lwsnmp32  -lwsock32";

namespace {

using driver::ResultCode;

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
  driver::split_path(std::string(path).c_str(), nullptr, &name);
  return name;
}

std::string directory_of(std::string_view path) {
  std::string directory;
  driver::split_path(std::string(path).c_str(), &directory, nullptr);
  return directory;
}

std::string joined(std::string_view directory, std::string_view name) {
  std::string path(directory);
  strlib::add_trailing_backslash(path);
  path += name;
  return path;
}

bool too_long(const std::string& path) { return path.size() > kMaxPathLength; }

// One argument of the program's command line. Plain text goes in double
// quotes as it always has; text that those quotes would change (embedded
// quotes, trailing backslashes) gets the escapes of the Windows rules.
std::string quoted_argument(const std::string& argument) {
  const bool plain = argument.find('"') == std::string::npos && argument.back() != '\\';
  if (plain) return "\"" + argument + "\"";
  return platform::quote_argument(argument);
}

// Shows the compiler's captured messages; false when the capture exists but
// cannot be opened.
bool show_capture(const std::string& capture_path) {
  if (!fsutil::file_exists(capture_path.c_str())) return true;
  TrackedStream capture = open_tracked(capture_path, "rb");
  if (!capture) return false;
  // One byte beyond the chunk stays zero, so every chunk prints as a text.
  std::array<char, kConsoleChunkSize + 1> chunk{};
  for (;;) {
    chunk.fill('\0');
    if (std::fread(chunk.data(), 1, kConsoleChunkSize, capture.get()) == 0) break;
    std::printf("%s", chunk.data());
  }
  return true;
}

int stamp(const std::string& executable, std::uint32_t checksum) {
  {
    TrackedStream out = open_tracked(executable, "ab");
    if (!out) return driver::StampAppendFailed;
    const std::array<unsigned char, kStampSize> zeros{};
    std::fwrite(zeros.data(), 1, zeros.size(), out.get());
  }
  TrackedStream out = open_tracked(executable, "rb+");
  if (!out) return driver::StampUpdateFailed;
  const std::int32_t size = file_size(executable.c_str());
  if (size > static_cast<std::int32_t>(kStampChecksumFromEnd)) {
    const std::array<unsigned char, 4> bytes = {
        static_cast<unsigned char>(checksum), static_cast<unsigned char>(checksum >> 8),
        static_cast<unsigned char>(checksum >> 16), static_cast<unsigned char>(checksum >> 24)};
    if (std::fseek(out.get(), size - static_cast<long>(kStampChecksumFromEnd), SEEK_SET) == 0) {
      std::fwrite(bytes.data(), 1, bytes.size(), out.get());
    }
  }
  return driver::Success;
}

// `checksum` is the run's content checksum: recomputed here for the stamp,
// it keeps its earlier value if the source cannot be read again.
int compile(const char* source_path, std::string& executable, const std::string& capture_path,
            const char* base_directory, std::uint32_t& checksum) {
  const std::string command = compiler_command_line(source_path, executable);
  std::printf("%s", kBanner);
  std::printf("%s \n", toolchain_version_line());
  // Registered before the compile, whatever its outcome; the registry
  // lower-cases the path in place, and the stamp and run use that form.
  driver::cache_registry_in(base_directory, driver::kRegistryRegister, &executable);

  std::fflush(stdout);
  std::int32_t started = 0;
  const std::uint32_t status = run_captured(command.c_str(), nullptr, &started, capture_path.c_str());
  if (started == 0) return driver::CompilerNotStarted;
  if (!show_capture(capture_path)) return driver::CompilerOutputUnopenable;
  if (status != 0) return driver::CompilationError;
  file_crc32(0, source_path, &checksum);
  return stamp(executable, checksum);
}

}  // namespace

std::uint32_t cache_key(std::string_view source_path) {
  const std::string lower = lower_case(source_path);
  return crc32_update(0, lower.data(), static_cast<std::uint32_t>(lower.size()));
}

std::string cache_entry_name(std::string_view source_path) {
  const std::string lower = lower_case(source_path);
  std::array<char, 9> key{};
  std::snprintf(key.data(), key.size(), "%08x", static_cast<unsigned>(cache_key(source_path)));
  return "cache\\" + file_name_of(lower) + "-" + key.data();
}

std::string compiler_command_line(std::string_view source_path, std::string_view executable) {
  std::string command = "gcc -x c -O3 \"";
  command += source_path;
  command += "\" -o \"";
  command += executable;
  command += "\"";
  command += kCompilerLibraries;
  return command;
}

std::string run_command_line(std::string_view executable, const driver::ExtraArgs& extra) {
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
  const std::int32_t size = file_size(executable);
  if (size > static_cast<std::int32_t>(kStampChecksumFromEnd)) {
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

int compile_and_run(const char* source_path, const char* base_directory) {
  const std::string source = source_path;
  const std::string capture_path = joined(base_directory, kCaptureFileName);
  const std::string cache_directory = joined(base_directory, cache_entry_name(source));
  std::string executable = joined(cache_directory, file_name_of(source) + ".exe");
  // Every later text is built from these; refusing them here means no path
  // is ever cut, and nothing has been created yet. A source path that cannot
  // be split has no file name.
  if (too_long(source) || too_long(capture_path) || too_long(cache_directory) ||
      too_long(executable) || file_name_of(source).empty()) {
    return driver::CachePathFailed;
  }
  if (fsutil::create_directory_path(cache_directory.c_str()) != 0) return driver::CachePathFailed;

  // The CRC-32 of the source's contents; stays 0 when it cannot be read.
  std::uint32_t checksum = 0;
  bool up_to_date = false;
  if (fsutil::file_exists(executable.c_str())) {
    file_crc32(0, source_path, &checksum);
    std::uint32_t stored = 0;
    if (!read_stamp(executable.c_str(), &stored)) return driver::CachedChecksumUnreadable;
    up_to_date = checksum == stored;
  }
  if (!up_to_date) {
    const int result = compile(source_path, executable, capture_path, base_directory, checksum);
    if (result != driver::Success) return result;
  }

  const std::string command = run_command_line(executable, driver::extra_args);
  const std::string working_directory = directory_of(source);
  std::fflush(stdout);
  std::int32_t started = 0;
  const std::uint32_t status = run_captured(command.c_str(), working_directory.c_str(), &started, nullptr);
  if (started == 0) return driver::CompiledProgramNotStarted;
  driver::program_exit_status = static_cast<std::int32_t>(status);
  return driver::Success;
}

}  // namespace zeb::cache
