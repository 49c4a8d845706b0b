// A stand-in for "gcc -v" whose behaviour the starting test chooses through
// its environment:
//   ZEB_FAKE_GCC_OUTPUT   text written to standard output (none when unset);
//   ZEB_FAKE_GCC_STATUS   exit status (0 when unset);
//   ZEB_FAKE_GCC_EMPTY    a file (host path) created empty before exiting;
//   ZEB_FAKE_GCC_TRACE    a file (host path) that receives the arguments,
//                         each followed by "|", so a test sees that it ran.
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool write_file(const char* path, const char* text) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  std::fputs(text, file);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* trace = std::getenv("ZEB_FAKE_GCC_TRACE")) {
    std::FILE* file = std::fopen(trace, "wb");
    if (file == nullptr) return 100;
    for (int i = 1; i < argc; ++i) std::fprintf(file, "%s|", argv[i]);
    if (std::fclose(file) != 0) return 101;
  }
  if (const char* output = std::getenv("ZEB_FAKE_GCC_OUTPUT")) {
    std::fwrite(output, 1, std::strlen(output), stdout);
    std::fflush(stdout);
  }
  if (const char* empty = std::getenv("ZEB_FAKE_GCC_EMPTY")) {
    if (!write_file(empty, "")) return 102;
  }
  const char* status = std::getenv("ZEB_FAKE_GCC_STATUS");
  return status != nullptr ? std::atoi(status) : 0;
}
