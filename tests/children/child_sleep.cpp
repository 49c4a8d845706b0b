// Sleeps argv[1] milliseconds (default 0); then, when argv[3] names a file,
// creates it with the text "awake"; ends with status argv[2] (default 0).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
  const long milliseconds = argc > 1 ? std::atol(argv[1]) : 0;
  const int status = argc > 2 ? std::atoi(argv[2]) : 0;
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  if (argc > 3) {
    std::FILE* file = std::fopen(argv[3], "wb");
    if (file == nullptr) return 100;
    std::fputs("awake", file);
    if (std::fclose(file) != 0) return 101;
  }
  return status;
}
