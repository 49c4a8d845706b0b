#include "driver/toolchain_environment.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>

#include "base/accounting/newmalloc.h"
#include "driver/source_path.h"
#include "platform/win32.h"

namespace zeb::driver {
namespace {

// tracked_free names its caller in its failure messages: the driver's own
// source label and the line of this release in it.
constexpr const char* kReleaseSourceLabel = "zeb_c.c";
constexpr int kReleaseLine = 1361;

// Room beyond the PATH value in the working text, for the prefix.
constexpr std::size_t kWorkingTextSlack = 10000;
static_assert(kWorkingTextSlack > kMaxPathLength + 11 + 1, "the prefix must fit the slack");

std::array<char, kPathValueCapacity>& path_buffer() {
  static std::array<char, kPathValueCapacity> buffer{};
  return buffer;
}

// Reads PATH into the buffer; false when it is set but does not fit.
bool load_path_variable() {
  auto& buffer = path_buffer();
  buffer[0] = '\0';
  const DWORD length =
      GetEnvironmentVariableA("PATH", buffer.data(), static_cast<DWORD>(buffer.size()));
  if (length < buffer.size()) {
    buffer[length] = '\0';
    return true;
  }
  // Too long: the platform reported the size it needs and wrote nothing
  // that counts.
  buffer[0] = '\0';
  return false;
}

}  // namespace

const char* read_path_variable() {
  load_path_variable();
  return path_buffer().data();
}

int prepare_toolchain_environment() {
  static bool done = false;
  // The composed value is kept for the rest of the process.
  static std::string composed;
  if (done) return 0;
  done = true;

  const char* const directory = exe_directory();
  if (directory == nullptr) return 0;
  if (!load_path_variable()) return 0;
  const char* const old_path = path_buffer().data();
  const std::size_t old_length = std::strlen(old_path);

  const std::size_t capacity = old_length + kWorkingTextSlack;
  char* const working = static_cast<char*>(accounting::tracked_alloc(static_cast<std::uint32_t>(capacity)));
  if (working == nullptr) return 0;
  std::size_t used = 0;
  for (const char* part : {directory, kToolchainSubdirectory, ";", old_path}) {
    const std::size_t length = std::strlen(part);
    std::memcpy(working + used, part, length);
    used += length;
  }
  working[used] = '\0';
  composed.assign(working, used);
  accounting::tracked_free(working, kReleaseSourceLabel, kReleaseLine);

  SetEnvironmentVariableA("PATH", composed.c_str());
  return 0;
}

}  // namespace zeb::driver
