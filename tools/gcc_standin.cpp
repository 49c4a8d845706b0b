// Stands in for the MinGW gcc driver on POSIX hosts, installed as mingw/bin/gcc
// beside zeb_c: it answers "gcc -v" in the MinGW driver's words and runs the
// host's C compiler for every other command line, with Windows paths mapped;
// the paths that compiler reports to a path query come back in Windows form.
//
// With ZEB_GCC_RECORDED_VERSION set, "gcc -v" answers with that file's bytes
// instead: a Windows-form path ("C:\...") is mapped as zeb_c's host layer maps
// it, any other is a host path.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gcc_arguments.h"
#include "platform/posix/path_mapping.h"

#ifndef ZEB_HOST_CC
#error "ZEB_HOST_CC must name the host C compiler"
#endif
#ifndef ZEB_HOST_CC_VERSION
#error "ZEB_HOST_CC_VERSION must give the host C compiler's version"
#endif

extern char** environ;

namespace {

bool map_to_host(std::string_view windows_path, std::string& host_out) {
  return zeb::platform::posix::host_path_for(windows_path, host_out) == ERROR_SUCCESS;
}

// On this host the root is drive C:, as zeb_c's host layer has it.
bool name_in_windows(std::string_view host_path, std::string& windows_out) {
  windows_out = zeb::platform::posix::windows_path_for(host_path);
  return true;
}

int fail(const std::string& what) {
  std::fprintf(stderr, "gcc: %s\n", what.c_str());
  return 1;
}

int answer_recorded_version(const std::string& recorded) {
  std::string host = recorded;
  if (zeb::tools::is_windows_path(recorded) && !map_to_host(recorded, host)) {
    return fail(recorded + ": no such file");
  }
  std::string report, error;
  if (!zeb::tools::read_file_bytes(host, report, error)) return fail(recorded + ": " + error);
  std::fwrite(report.data(), 1, report.size(), stderr);
  return 0;
}

// The exit status a shell would give for a child's wait status.
int exit_status_of(int wait_status) {
  if (WIFEXITED(wait_status)) return WEXITSTATUS(wait_status);
  return WIFSIGNALED(wait_status) ? 128 + WTERMSIG(wait_status) : 1;
}

// Runs the compiler on a path query with its standard output read here and
// written out in Windows form; its standard error stays the caller's.
int run_path_query(const std::string& compiler, char* const* argv) {
  std::array<int, 2> pipe_ends{};
  if (pipe(pipe_ends.data()) != 0) return fail(std::string("cannot make a pipe: ") + std::strerror(errno));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[1]);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, compiler.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  std::string report;
  std::array<char, 4096> chunk{};
  for (ssize_t got = 0; spawned == 0 && (got = read(pipe_ends[0], chunk.data(), chunk.size())) != 0;) {
    if (got > 0) {
      report.append(chunk.data(), static_cast<std::size_t>(got));
    } else if (errno != EINTR) {
      break;
    }
  }
  close(pipe_ends[0]);
  if (spawned != 0) return fail("cannot start " + compiler + ": " + std::strerror(spawned));
  int wait_status = 0;
  while (waitpid(child, &wait_status, 0) < 0 && errno == EINTR) {
  }
  const zeb::tools::PathReport windows = zeb::tools::windows_path_report(report, name_in_windows);
  if (!windows.unnamed.empty()) return fail(windows.unnamed + ": no Windows name");
  std::fwrite(windows.text.data(), 1, windows.text.size(), stdout);
  return exit_status_of(wait_status);
}

// Whether the file at `host_path` begins with "#!"; only then is it read whole.
bool starts_as_script(const std::string& host_path) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(host_path.c_str(), "rb"), std::fclose);
  std::array<char, 2> start{};
  return file && std::fread(start.data(), 1, start.size(), file.get()) == start.size() && start[0] == '#' &&
         start[1] == '!';
}

// A source with an interpreter line as its first line (a script run by its
// own name) goes to the compiler as a private copy in which that line is a
// #line directive; the copy's own directory holds nothing else, and the
// source's directory is searched for its quoted includes, as it would be.
// Returns the compiler's status, or -1 when no argument is such a source.
int compile_scripts(const std::string& compiler, std::vector<std::string> arguments,
                    const std::vector<zeb::tools::MappedPath>& mapped) {
  std::string copy_directory, copy;
  for (std::size_t i = 0; i < arguments.size() && copy.empty(); ++i) {
    const std::string argument = arguments[i];
    const bool output = i > 0 && arguments[i - 1] == "-o";
    const bool was_mapped = std::any_of(mapped.begin(), mapped.end(),
                                        [&](const zeb::tools::MappedPath& path) { return path.host == argument; });
    std::string bytes, error;
    if (output || !was_mapped || !starts_as_script(argument) || !zeb::tools::read_file_bytes(argument, bytes, error)) {
      continue;
    }
    const std::optional<std::string> compiled = zeb::tools::without_interpreter_line(bytes, argument);
    if (!compiled) continue;
    const char* temporary = std::getenv("TMPDIR");
    std::string pattern = std::string(temporary != nullptr && *temporary == '/' ? temporary : "/tmp") + "/zeb_c-script-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return fail(std::string("cannot make a directory: ") + std::strerror(errno));
    copy_directory = pattern;
    copy = copy_directory + argument.substr(argument.rfind('/'));
    std::FILE* out = std::fopen(copy.c_str(), "wb");
    const bool written = out != nullptr && std::fwrite(compiled->data(), 1, compiled->size(), out) == compiled->size();
    if (out == nullptr || std::fclose(out) != 0 || !written) {
      std::remove(copy.c_str());
      rmdir(copy_directory.c_str());
      return fail(copy + ": cannot be written");
    }
    arguments[i] = copy;
    arguments.insert(arguments.begin() + static_cast<std::ptrdiff_t>(i), {"-iquote", argument.substr(0, argument.rfind('/') + 1)});
  }
  if (copy.empty()) return -1;
  std::vector<char*> argv = {const_cast<char*>(compiler.c_str())};
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::fflush(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, compiler.c_str(), nullptr, nullptr, argv.data(), environ);
  int wait_status = 0;
  while (spawned == 0 && waitpid(child, &wait_status, 0) < 0 && errno == EINTR) {
  }
  std::remove(copy.c_str());
  rmdir(copy_directory.c_str());
  if (spawned != 0) return fail("cannot start " + compiler + ": " + std::strerror(spawned));
  return exit_status_of(wait_status);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (zeb::tools::is_version_query(arguments)) {
    const char* recorded = std::getenv(zeb::tools::kRecordedVersionVariable);
    if (recorded != nullptr && *recorded != '\0') return answer_recorded_version(recorded);
    const std::string report = zeb::tools::version_report(ZEB_HOST_CC, ZEB_HOST_CC_VERSION);
    std::fputs(report.c_str(), stderr);
    return 0;
  }

  zeb::tools::Translation translation = zeb::tools::translate_arguments(arguments, map_to_host);
  if (!translation.unmapped.empty()) return fail(translation.unmapped + ": no such directory");
  std::vector<std::string>& host_arguments = translation.arguments;
  std::vector<char*> host_argv;
  host_argv.reserve(host_arguments.size() + 2);
  std::string compiler = ZEB_HOST_CC;
  host_argv.push_back(compiler.data());
  for (std::string& argument : host_arguments) host_argv.push_back(argument.data());
  host_argv.push_back(nullptr);

  const std::string_view compiler_view = compiler;
  const std::string compiler_directory(compiler_view.substr(0, compiler_view.rfind('/')));
  const char* path_value = std::getenv("PATH");
  const std::string search_path = zeb::tools::host_search_path(
      compiler_directory, path_value != nullptr ? path_value : "", map_to_host);
  setenv("PATH", search_path.c_str(), 1);

  if (zeb::tools::is_path_query(arguments)) return run_path_query(compiler, host_argv.data());
  if (const int status = compile_scripts(compiler, host_arguments, translation.mapped); status >= 0) return status;
  // Both output streams are the caller's; flush ours before the image changes.
  std::fflush(nullptr);
  execv(compiler.c_str(), host_argv.data());
  return fail("cannot start " + compiler + ": " + std::strerror(errno));
}
