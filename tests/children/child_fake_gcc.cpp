// A stand-in for "gcc -v" whose behaviour the starting test chooses through
// its environment:
//   ZEB_FAKE_GCC_OUTPUT   text written to standard output (none when unset);
//   ZEB_FAKE_GCC_STATUS   exit status (0 when unset);
//   ZEB_FAKE_GCC_EMPTY    a file (host path) created empty before exiting.
#include <cstdio>
#include <cstdlib>

int main() {
  if (const char* output = std::getenv("ZEB_FAKE_GCC_OUTPUT")) std::fputs(output, stdout);
  if (const char* empty = std::getenv("ZEB_FAKE_GCC_EMPTY")) {
    std::FILE* file = std::fopen(empty, "wb");
    if (file == nullptr || std::fclose(file) != 0) return 102;
  }
  const char* status = std::getenv("ZEB_FAKE_GCC_STATUS");
  return status != nullptr ? std::atoi(status) : 0;
}
