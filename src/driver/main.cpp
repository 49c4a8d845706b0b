// zeb_c: runs a C source file as if it were a script.
#include <cstdio>

#include "driver/result_codes.h"
#include "driver/run_state.h"

namespace {

constexpr const char* kUsage =
    "\nUsage:\n\nzeb_c file.zebc \nWhere file.zebc is the c file that you want to execute/compile\n\n"
    "zeb_c /version \nTo get the version of the just in time compiler\n\n"
    "zeb_c /cachedfiles \nTo see all the files that are in the cache\n\n"
    "zeb_c /flush \nTo delete the files in the cache\n\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace zeb::driver;
  std::int32_t result = Success;
  fill_extra_args(0, nullptr);
  if (argc < 2 || argv[1] == nullptr) {
    std::printf("%s", kUsage);
    result = UsageShown;
  } else if (!fill_extra_args(argc, argv)) {
    result = ArgumentTooLong;
  }
  if (result != Success) {
    if (const char* message = result_message(result)) std::printf("%s", message);
    return result;
  }
  return program_exit_status;
}
