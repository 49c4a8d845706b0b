// Reads standard input to its end and reports how many bytes came, as
// "stdin <count>|". It ends only if its input does.
#include <cstdio>

int main() {
  long count = 0;
  while (std::fgetc(stdin) != EOF) ++count;
  std::printf("stdin %ld|", count);
  return 0;
}
