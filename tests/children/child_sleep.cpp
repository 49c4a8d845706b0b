// Sleeps argv[1] milliseconds; then, when argv[2] names a file (relative to
// its current directory, so a caller sees where it ran), creates it with the
// text "awake". Ends with status 0.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
  std::this_thread::sleep_for(std::chrono::milliseconds(argc > 1 ? std::atol(argv[1]) : 0));
  std::FILE* file = argc > 2 ? std::fopen(argv[2], "wb") : nullptr;
  if (argc > 2 && (file == nullptr || std::fputs("awake", file) < 0 || std::fclose(file) != 0))
    return 1;
  return 0;
}
