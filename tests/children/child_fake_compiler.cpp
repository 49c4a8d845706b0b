// Plays both parts of a compile-and-run: started with "-o <path>" it is the
// compiler, otherwise the compiled program.
//
// Compiler: says "fake gcc compiling <source>;" on standard output (the source
// being the first argument holding a backslash that is not the -o path) and
// "fake gcc warning;" on standard error; then, when FAKE_GCC_STATUS is unset
// or 0, copies the file named by FAKE_GCC_PROGRAM to the -o path and exits 0;
// otherwise exits with that status, writing nothing.
// Program: writes its arguments, one per line, into "args.txt" in its
// current directory and exits with 40 + the number of arguments.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// A Windows-form path as this host's library names it: unchanged where that
// library knows drive letters, else without the drive and with '/' for '\'
// (on POSIX hosts C: is the root).
fs::path host_form(const char* path) {
  if (fs::path(path).has_root_name()) return fs::path(path);
  std::string host = path;
  if (host.size() > 1 && host[1] == ':') host.erase(0, 2);
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  return fs::path(host);
}

int compile(const char* source, const char* output) {
  // No line ends: the bytes are then the same on every host.
  std::printf("fake gcc compiling %s;", source);
  std::fflush(stdout);
  std::fprintf(stderr, "fake gcc warning;");
  const char* status = std::getenv("FAKE_GCC_STATUS");
  if (status != nullptr && std::atoi(status) != 0) return std::atoi(status);
  const char* program = std::getenv("FAKE_GCC_PROGRAM");
  if (program == nullptr) return 90;
  // A copy keeps the permission to run it.
  std::error_code error;
  fs::copy_file(host_form(program), host_form(output), fs::copy_options::overwrite_existing, error);
  return error ? 91 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-o") != 0 || i + 1 >= argc) continue;
    const char* source = "(none)";
    for (int j = 1; j < argc; ++j) {
      if (j != i + 1 && std::strchr(argv[j], '\\') != nullptr) {
        source = argv[j];
        break;
      }
    }
    return compile(source, argv[i + 1]);
  }
  std::FILE* out = std::fopen("args.txt", "wb");
  if (out == nullptr) return 1;
  for (int i = 1; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  std::fclose(out);
  return 40 + argc - 1;
}
