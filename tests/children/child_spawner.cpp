// Starts a second copy of itself that inherits its standard handles and
// outlives it: the first copy writes "early|" and ends at once; the second
// ("late" as argv[1]) waits half a second, then writes "late|". A reader of
// their shared output sees its end only after the second copy has gone.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "late") {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::fputs("late|", stdout);
    std::fflush(stdout);
    return 0;
  }
  const std::string command = "\"" + std::string(argv[0]) + "\" late";
  std::vector<char> writable(command.begin(), command.end());
  writable.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::fputs("early|", stdout);
  std::fflush(stdout);
  return 0;
}
