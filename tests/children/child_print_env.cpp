// For each variable named on its command line, writes "NAME=value|" when it
// is set and "NAME!|" when it is not.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* value = std::getenv(argv[i]);
    value != nullptr ? std::printf("%s=%s|", argv[i], value) : std::printf("%s!|", argv[i]);
  }
  return 0;
}
