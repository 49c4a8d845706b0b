// Starts a second copy of itself that inherits its standard handles and
// outlives it: the first copy writes "early|" and ends at once; the second
// ("late" as argv[1]) waits half a second, then writes "late|". A reader of
// their shared output sees its end only after the second copy has gone.
// With "tied" as argv[1] the second copy is started tied to the first
// (create_tied_process), and so ends with it, before it writes anything.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/win32.h"

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "late") {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::fputs("late|", stdout);
    return 0;
  }
  std::string command = "\"" + std::string(argv[0]) + "\" late";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const bool tied = argc > 1 && std::string(argv[1]) == "tied";
  if (!(tied ? zeb::platform::create_tied_process(command.data(), nullptr, TRUE, &startup, &process)
             : CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                              &process)))
    return 1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::fputs("early|", stdout);
  return 0;
}
