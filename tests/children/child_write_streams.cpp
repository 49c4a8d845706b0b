// Writes argv[1] to standard output, then argv[2] to standard error, each
// flushed at once, and ends with status 0.
#include <cstdio>

int main(int argc, char** argv) {
  if (argc > 1) {
    std::fputs(argv[1], stdout);
    std::fflush(stdout);
  }
  if (argc > 2) {
    std::fputs(argv[2], stderr);
    std::fflush(stderr);
  }
  return 0;
}
