// Writes every argument it received, argv[0] included, to standard output as
// "<length>:<bytes>|", so that a caller can compare them byte for byte.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) std::printf("%zu:%s|", std::strlen(argv[i]), argv[i]);
  return 0;
}
