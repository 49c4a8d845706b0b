#include "support/scoped.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "platform/win32.h"

namespace zeb::test {
namespace fs = std::filesystem;

ScopedTempDir::ScopedTempDir() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = fs::temp_directory_path() /
                         ("zeb_test_" + std::to_string(stamp % 1000000007) + "_" +
                          std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      host_ = fs::canonical(candidate);
      windows_ = platform::windows_path_from_host(host_.string());
      return;
    }
  }
  ADD_FAILURE() << "cannot create a temporary directory";
}

ScopedTempDir::~ScopedTempDir() {
  if (host_.empty()) return;
  std::error_code ec;
  // Read-only entries must become writable first, or removal fails on Windows.
  for (auto it = fs::recursive_directory_iterator(host_, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(host_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(host_, ec);
}

ScopedEnvVar::ScopedEnvVar(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
  const DWORD needed = GetEnvironmentVariableA(name_.c_str(), nullptr, 0);
  if (needed != 0) {
    std::vector<char> buffer(needed + 1);
    const DWORD got = GetEnvironmentVariableA(name_.c_str(), buffer.data(), needed + 1);
    old_ = std::string(buffer.data(), got);
  }
  SetEnvironmentVariableA(name_.c_str(), value ? value->c_str() : nullptr);
}

ScopedEnvVar::~ScopedEnvVar() {
  SetEnvironmentVariableA(name_.c_str(), old_ ? old_->c_str() : nullptr);
}

ScopedCurrentDir::ScopedCurrentDir(const std::string& windows_path) {
  std::vector<char> buffer(GetCurrentDirectoryA(0, nullptr) + 1);
  old_.assign(buffer.data(), GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data()));
  EXPECT_TRUE(SetCurrentDirectoryA(windows_path.c_str())) << windows_path;
}

ScopedCurrentDir::~ScopedCurrentDir() { SetCurrentDirectoryA(old_.c_str()); }

std::string test_binary_dir() {
  char buffer[4096] = {};
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  std::string path(buffer, length < sizeof buffer ? length : 0);
  const auto slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

fs::path test_program(const std::string& name) {
  // The test programs' directory as the host names it: on POSIX hosts C: is the root.
  std::string programs = test_binary_dir();
  if (fs::path::preferred_separator == '/') programs = programs.substr(2);
  std::replace(programs.begin(), programs.end(), '\\', static_cast<char>(fs::path::preferred_separator));
  return fs::exists(programs + name + ".exe") ? programs + name + ".exe" : programs + name;
}

void install_fake_gcc(const ScopedTempDir& bin) {
  const fs::path fake = test_program("child_fake_gcc");
  fs::copy_file(fake, bin.host("gcc" + fake.extension().string()));
}

void write_host_file(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  ASSERT_TRUE(out.good()) << path;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string read_host_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zeb::test
