// Creates the file named by argv[1], relative to its current directory, and
// writes "touched" into it: a caller can see where the child ran.
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::FILE* file = std::fopen(argv[1], "wb");
  if (file == nullptr) return 1;
  std::fputs("touched", file);
  return std::fclose(file) == 0 ? 0 : 1;
}
