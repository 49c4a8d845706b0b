// The stamp of a cached executable decides whether it runs as it is or is
// compiled again: whatever the file holds (cut short, foreign, empty), the
// checksum read is the four bytes ten before its end, least significant
// first, and 0 when the file is too short to hold them.
#include <string>

#include "cache/compile_and_run.h"
#include "fuzz_support.h"

namespace {

const zeb::fuzz::ScratchDirectory& scratch() {
  static const zeb::fuzz::ScratchDirectory directory("stamp");
  return directory;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string contents = zeb::fuzz::text_of(data, size);
  zeb::fuzz::write_host_file(scratch().host() / "Program.exe", contents);
  // Looked up as the pipeline names it: Windows form, letters as it likes.
  const std::string executable = scratch().windows() + "\\program.EXE";

  std::uint32_t expected = 0;
  if (size > 10) {
    const std::uint8_t* const stamp = data + size - 10;
    expected = static_cast<std::uint32_t>(stamp[0]) | static_cast<std::uint32_t>(stamp[1]) << 8 |
               static_cast<std::uint32_t>(stamp[2]) << 16 | static_cast<std::uint32_t>(stamp[3]) << 24;
  }
  std::uint32_t checksum = 0xDEADBEEF;
  ZEB_FUZZ_CHECK(zeb::cache::read_stamp(executable.c_str(), &checksum), "an existing executable can be read");
  ZEB_FUZZ_CHECK(checksum == expected, "the checksum is the four bytes ten before the end, or 0");

  checksum = 0xDEADBEEF;
  const std::string missing = scratch().windows() + "\\missing.exe";
  ZEB_FUZZ_CHECK(!zeb::cache::read_stamp(missing.c_str(), &checksum) && checksum == 0,
                 "a missing executable cannot be read and has checksum 0");
  return 0;
}
