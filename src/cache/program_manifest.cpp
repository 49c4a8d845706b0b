#include "cache/program_manifest.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cache/process_runner.h"
#include "platform/win32.h"

namespace zeb::cache {

const char kProgramManifest[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\">\r\n"
    "  <trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\">\r\n"
    "    <security>\r\n"
    "      <requestedPrivileges>\r\n"
    "        <requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>\r\n"
    "      </requestedPrivileges>\r\n"
    "    </security>\r\n"
    "  </trustInfo>\r\n"
    "</assembly>\r\n";

namespace {

constexpr std::size_t kManifestSize = sizeof kProgramManifest - 1;

// True when the file at `path` holds kProgramManifest byte for byte.
bool holds_manifest(const std::string& path) {
  std::FILE* raw = platform::open_stream(path.c_str(), "rb");
  if (raw == nullptr) return false;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(raw, std::fclose);
  // One byte more than the manifest tells a longer file apart.
  std::array<char, kManifestSize + 1> bytes{};
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), in.get());
  return got == kManifestSize && std::memcmp(bytes.data(), kProgramManifest, kManifestSize) == 0;
}

}  // namespace

std::string manifest_path_of(std::string_view executable) {
  std::string path(executable);
  path += ".manifest";
  return path;
}

bool publish_program_manifest(const std::string& executable) {
  const std::string path = manifest_path_of(executable);
  // A recompile finds it in place; rewriting it would gain nothing.
  if (holds_manifest(path)) return true;
  return write_file(path.c_str(), kProgramManifest, static_cast<std::int32_t>(kManifestSize),
                    kWriteOverwrite, 0) == kWriteOk;
}

}  // namespace zeb::cache
