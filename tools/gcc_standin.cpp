// Stands in for the MinGW gcc driver on POSIX hosts, installed as mingw/bin/gcc
// beside zeb_c: it answers "gcc -v" in the MinGW driver's words and runs the
// host's C compiler for every other command line, with Windows paths mapped.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

namespace {

bool map_to_host(std::string_view windows_path, std::string& host_out) {
  return zeb::platform::posix::host_path_for(windows_path, host_out) == ERROR_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (zeb::tools::is_version_query(arguments)) {
    const std::string report = zeb::tools::version_report(ZEB_HOST_CC, ZEB_HOST_CC_VERSION);
    std::fputs(report.c_str(), stderr);
    return 0;
  }

  zeb::tools::Translation translation = zeb::tools::translate_arguments(arguments, map_to_host);
  if (!translation.unmapped.empty()) {
    std::fprintf(stderr, "gcc: %s: no such directory\n", translation.unmapped.c_str());
    return 1;
  }
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

  // Both output streams are the caller's; flush ours before the image changes.
  std::fflush(nullptr);
  execv(compiler.c_str(), host_argv.data());
  std::fprintf(stderr, "gcc: cannot start %s: %s\n", compiler.c_str(), std::strerror(errno));
  return 1;
}
