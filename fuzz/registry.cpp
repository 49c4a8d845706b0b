// The registry zeb_c.ini, whatever it holds (edited by hand, cut short,
// written by an older zeb_c): registering keeps every line that was there and
// adds only the new one, listing prints each line, and a flush deletes
// nothing outside the installation's cache directory, however its lines name
// files.
//
// Input: the registry's text, then the path to register (each a string of
// FuzzedDataProvider). "%I" in either stands for the installation directory
// with its final backslash, so that lines can name files of the scratch
// installation: cache\e-0123abcd\e.exe inside the cache; outside.exe,
// cachex\keep.exe and, through the link cache\link, outside\victim.exe
// outside it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cache/cache_registry.h"
#include "fsutil/path_tests.h"
#include "fuzz_support.h"

namespace {

namespace fs = std::filesystem;
using zeb::fuzz::lowered;
using zeb::fuzz::read_host_file;
using zeb::fuzz::write_host_file;

const zeb::fuzz::ScratchDirectory& installation() {
  static const zeb::fuzz::ScratchDirectory directory("registry");
  return directory;
}

std::string base() { return installation().windows() + "\\"; }

fs::path registry_file() { return installation().host() / zeb::cache::kRegistryFileName; }

void lay_out_installation() {
  const fs::path root = installation().host();
  installation().empty();
  fs::create_directories(root / "cache" / "e-0123abcd");
  write_host_file(root / "cache" / "e-0123abcd" / "e.exe", "cached program");
  write_host_file(root / "outside.exe", "sentinel outside the cache");
  fs::create_directories(root / "cachex");
  write_host_file(root / "cachex" / "keep.exe", "sentinel beside the cache");
  fs::create_directories(root / "outside");
  write_host_file(root / "outside" / "victim.exe", "sentinel behind a link");
  fs::create_directory_symlink(root / "outside", root / "cache" / "link");
}

std::string with_installation(std::string text) {
  const std::string directory = base();
  for (std::size_t at = text.find("%I"); at != std::string::npos; at = text.find("%I", at + directory.size())) {
    text.replace(at, 2, directory);
  }
  return text;
}

// The registry's lines as a reader of text lines takes them: split at line
// feeds, carriage returns dropped, whole whatever bytes they hold.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::erase(line, '\r');
    lines.push_back(line);
  }
  return lines;
}

// What a call prints on standard output.
template <typename Call>
std::string printed_by(Call call) {
  std::fflush(stdout);
  char* buffer = nullptr;
  std::size_t length = 0;
  std::FILE* const saved = stdout;
  stdout = open_memstream(&buffer, &length);
  ZEB_FUZZ_CHECK(stdout != nullptr, "standard output can be captured");
  call();
  std::fclose(stdout);
  stdout = saved;
  std::string text(buffer, length);
  std::free(buffer);
  return text;
}

// Every file outside the cache directory with its contents, but the
// registry's own files, which the commands may rewrite.
std::map<fs::path, std::string> outside_cache() {
  std::map<fs::path, std::string> files;
  const fs::path root = installation().host();
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it->path() == root / "cache") {
      it.disable_recursion_pending();
      continue;
    }
    const std::string name = it->path().filename().string();
    if (name.starts_with("zeb_c.")) continue;
    files[it->path()] = it->is_regular_file() ? read_host_file(it->path()) : "(directory)";
  }
  return files;
}

void check_register(const std::string& registry, std::string path) {
  write_host_file(registry_file(), registry);
  const std::vector<std::string> before = lines_of(registry);
  std::vector<std::string> expected;
  bool present = false;
  for (const std::string& line : before) {
    expected.push_back(lowered(line));
    present = present || lowered(line) == lowered(path);
  }
  ZEB_FUZZ_CHECK(zeb::cache::cache_registry_in(base(), zeb::cache::kRegistryRegister, &path) == 0,
                 "a registry that can be read is registered into");
  const std::string after = read_host_file(registry_file());
  if (present) {
    ZEB_FUZZ_CHECK(after == registry, "registering a path already there leaves the registry byte for byte");
    return;
  }
  expected.push_back(path);
  ZEB_FUZZ_CHECK(after.ends_with('\n'), "a rewritten registry ends its last line");
  ZEB_FUZZ_CHECK(after.find('\r') == std::string::npos, "a rewrite writes no carriage return");
  const std::vector<std::string> written = lines_of(after);
  for (std::size_t i = 0; i < written.size() && i < expected.size(); ++i) {
    ZEB_FUZZ_CHECK(written[i] == expected[i], "a register keeps every earlier line, lower-cased, in its place");
  }
  ZEB_FUZZ_CHECK(written.size() == expected.size(), "a register adds one line and only one");
}

void check_list(const std::string& registry) {
  write_host_file(registry_file(), registry);
  std::string expected;
  for (const std::string& line : lines_of(registry)) {
    // printf's %s ends at a NUL.
    if (line != zeb::cache::kRegistryMarkerRewritten) expected += line.substr(0, line.find('\0')) + " \n";
  }
  const std::string printed =
      printed_by([] { zeb::cache::cache_registry_in(base(), zeb::cache::kRegistryList, nullptr); });
  ZEB_FUZZ_CHECK(printed == expected, "the list prints each line but the marker, as it stands");
}

void check_flush(const std::string& registry) {
  // Whatever else the registry holds, it names the files outside the cache.
  std::string text = registry;
  if (!text.empty() && !text.ends_with('\n')) text += '\n';
  text += with_installation("%Ioutside.exe\n%Icache\\..\\outside.exe\n%Icachex\\keep.exe\n"
                            "%Icache\\link\\victim.exe\n%Icache\\link/victim.exe\n%Icache/link/victim.exe\n"
                            "%ICACHE\\e-0123abcd\\..\\..\\outside.exe\n");
  write_host_file(registry_file(), text);
  const std::map<fs::path, std::string> before = outside_cache();
  zeb::cache::cache_registry_in(base(), zeb::cache::kRegistryFlush, nullptr);
  ZEB_FUZZ_CHECK(outside_cache() == before, "a flush deletes and changes nothing outside the cache directory");
  ZEB_FUZZ_CHECK(fs::is_directory(installation().host() / "cache"), "the cache directory itself stays");
  if (!fs::exists(registry_file())) return;
  bool first = true;
  for (const std::string& line : lines_of(read_host_file(registry_file()))) {
    const bool marker = first && (line == zeb::cache::kRegistryMarker || line == zeb::cache::kRegistryMarkerRewritten);
    first = false;
    if (marker) continue;
    ZEB_FUZZ_CHECK(!line.empty() && zeb::fsutil::file_exists(line.c_str()),
                   "a flush keeps only the lines of files it could not delete");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider provider(data, size);
  const std::string registry = with_installation(provider.ConsumeRandomLengthString(size));
  std::string path = with_installation(provider.ConsumeRandomLengthString(size));
  // The pipeline registers full paths of cached programs: one line each, of
  // the length a path can have.
  std::erase_if(path, [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
  if (path.empty() || path.size() >= 260) path = base() + "cache\\n-00000001\\n.exe";

  lay_out_installation();
  check_register(registry, path);
  check_list(registry);
  check_flush(registry);
  return 0;
}
