// Ends with the status given as its last argument (0 without arguments),
// after writing "exit <status>|" to standard output. Taking the last argument
// lets a caller prove that a long command line arrived whole.
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const int status = argc > 1 ? std::atoi(argv[argc - 1]) : 0;
  std::printf("exit %d|", status);
  return status;
}
