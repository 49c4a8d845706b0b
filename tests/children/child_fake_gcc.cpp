// A stand-in for "gcc -v" whose behaviour the starting test chooses through
// its environment:
//   ZEB_FAKE_GCC_OUTPUT   text written to standard output (none when unset);
//   ZEB_FAKE_GCC_STATUS   exit status (0 when unset);
//   ZEB_FAKE_GCC_EMPTY    a file (host path) created empty before exiting;
//   ZEB_FAKE_GCC_TRACE    a file (host path) that receives the arguments,
//                         each followed by "|", so a test sees that it ran.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (const char* trace = std::getenv("ZEB_FAKE_GCC_TRACE")) {
    std::FILE* file = std::fopen(trace, "wb");
    if (file == nullptr) return 100;
    for (int i = 1; i < argc; ++i) std::fprintf(file, "%s|", argv[i]);
    if (std::fclose(file) != 0) return 101;
  }
  if (const char* output = std::getenv("ZEB_FAKE_GCC_OUTPUT")) std::fputs(output, stdout);
  if (const char* empty = std::getenv("ZEB_FAKE_GCC_EMPTY")) {
    std::FILE* file = std::fopen(empty, "wb");
    if (file == nullptr || std::fclose(file) != 0) return 102;
  }
  const char* status = std::getenv("ZEB_FAKE_GCC_STATUS");
  return status != nullptr ? std::atoi(status) : 0;
}
