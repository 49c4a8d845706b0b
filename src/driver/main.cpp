// zeb_c: runs a C source file as if it were a script.
//
// The road of a run: the command line -> a cache command, or the toolchain
// environment -> the source path -> the working directory -> the toolchain
// check -> compile (when stale) and run.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cache/compile_and_run.h"
#include "cache/result_codes.h"
#include "cache/run_state.h"
#include "cache/toolchain_check.h"
#include "driver/commands.h"
#include "driver/source_path.h"
#include "driver/state_directory.h"
#include "driver/toolchain_environment.h"
#include "fsutil/path_tests.h"
#include "platform/win32.h"

namespace {

using namespace zeb::driver;
using namespace zeb::cache;

// Standard output carries only what was asked for: the usage text, the
// commands' answers and the program's own output. Everything else zeb_c says
// goes to standard error, so that a pipeline's data never depends on whether
// this run compiled or failed.
constexpr const char* kUsage =
    "\nUsage:\n\nzeb_c file.zebc [arguments...] \nWhere file.zebc is the c file that you want to execute/compile;"
    " the arguments are passed to its program\n"
    "In the file, #pragma comment(lib, \"name\") links a library, #pragma zeb_c options(\"-DX=1\", \"-Iinc\")"
    " adds compiler options and #pragma zeb_c workdir(\"caller\") runs the program in the current directory\n\n"
    "zeb_c /version \nTo get the version of the just in time compiler\n\n"
    "zeb_c /cachedfiles \nTo see all the files that are in the cache\n\n"
    "zeb_c /flush \nTo delete the files in the cache\n\n"
    "zeb_c --help \nTo see this text\n\n";

// Asked for the usage text the ways other tools are: it is then no failure.
bool asks_for_help(const char* argument) {
  const std::string_view text = argument;
  return text == "--help" || text == "-h" || text == "/?";
}

constexpr const char* kSourceMissing = "file %s don't exist \n";

enum WorkingDirectoryMode { kSave = 0, kChange = 1, kRestore = 2 };

// Everything from the source argument to the compiled program's end. The
// caller restores the user's current directory afterwards, whatever happened.
std::int32_t run_source(int argc, char** argv) {
  fill_extra_args(argc, argv);
  prepare_toolchain_environment();

  // Tested as typed, before any rule about its form: a missing ".\x" is
  // reported as missing, not as a leading dot. A name this host keeps but the
  // Windows rules would shorten ("x.zebc." on POSIX) names no file that can
  // be run as typed; running "x.zebc" instead would run another file.
  if (!zeb::platform::typed_path_is_exact(argv[1]) || zeb::fsutil::file_exists(argv[1]) == 0) {
    std::fprintf(stderr, kSourceMissing, argv[1]);
    return SourceMissing;
  }
  // The user's current directory anchors a relative name and is where the
  // run returns to: one that cannot be read (too long, or deleted) would
  // leave the run in some other directory, so nothing starts.
  if (current_directory()[0] == '\0') return ArgumentTooLong;
  // From here on the argument is a Windows path, whatever the host's syntax.
  const std::string typed = zeb::platform::windows_path_from_typed(argv[1]);
  std::string source;
  if (const int resolved = resolve_source_path(source, typed.c_str()); resolved != 0) return resolved;
  // A script reached through a link is the file it leads to: its headers lie
  // beside that file, its program runs there, and every spelling of it shares
  // one cache entry.
  source = zeb::platform::resolve_links(source);
  if (source.size() > zeb::driver::kMaxPathLength) return ArgumentTooLong;
  normalize_path_case(source);

  // Decided before the toolchain check: every file of the run is kept there.
  if (const int refused = state_refusal(false); refused != 0) return refused;
  const char* base = state_directory();
  if (base == nullptr) return ExeDirectoryUnavailable;
  const std::string base_directory = base;

  // Where a script that asks for it runs: the directory it was started from.
  const std::string caller = current_directory();
  manage_working_directory(kSave, nullptr);
  manage_working_directory(kChange, base_directory.c_str());
  if (const int check = zeb::cache::toolchain_check_kept(base_directory); check != 0) return check;
  return zeb::cache::compile_and_run(source.c_str(), base_directory.c_str(), caller.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  // First, so that it runs after every other exit handler.
  std::atexit(zeb::platform::end_as_foreground_program_ended);
  fill_extra_args(0, nullptr);
  std::int32_t result = Success;
  if (argc < 2 || argv[1] == nullptr) {
    std::printf("%s", kUsage);
    result = UsageShown;
  } else if (asks_for_help(argv[1])) {
    std::printf("%s", kUsage);
  } else if (handle_command(argc, argv) != 0) {
    // A command has acted on nothing when the user's own directory was refused.
    result = state_refusal(true);
  } else {
    result = run_source(argc, argv);
    // Without an earlier save there is nothing to restore, and the current
    // directory stays as it is.
    manage_working_directory(kRestore, nullptr);
  }
  if (result != Success) {
    if (const char* message = result_message(result)) std::fputs(message, stderr);
    return result;
  }
  return program_exit_status;
}
