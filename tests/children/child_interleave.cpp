// Alternates lines on standard output and standard error, each flushed at
// once, so that a reader of one shared pipe sees them in this exact order.
#include <cstdio>

int main() {
  for (int i = 1; i <= 3; ++i) {
    std::printf("out%d|", i);
    std::fflush(stdout);
    std::fprintf(stderr, "err%d|", i);
    std::fflush(stderr);
  }
  return 0;
}
