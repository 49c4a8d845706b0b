// Alternates lines on standard output and standard error, each flushed at
// once, so that a reader of one shared pipe sees them in this exact order.
#include <cstdio>

int main() {
  for (int i = 1; i <= 3; ++i) {
    std::fputs("out", stdout);
    std::fputc('0' + i, stdout);
    std::fputc('|', stdout);
    std::fflush(stdout);
    std::fputs("err", stderr);
    std::fputc('0' + i, stderr);
    std::fputc('|', stderr);
    std::fflush(stderr);
  }
  return 0;
}
