// RAII helpers for tests: a temporary directory, an environment variable and
// the current directory, each put back as it was when the helper goes away.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zeb::test {

// A fresh, empty directory below the host's temporary directory, removed with
// everything in it (read-only files included) at destruction.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  // The directory as the host's own libraries name it.
  const std::filesystem::path& host_path() const { return host_; }
  // The directory in Windows form ("C:\..."), without a final backslash.
  const std::string& path() const { return windows_; }
  // path() + "\" + name.
  std::string operator/(const std::string& name) const { return windows_ + "\\" + name; }
  std::filesystem::path host(const std::string& relative) const { return host_ / relative; }

 private:
  std::filesystem::path host_;
  std::string windows_;
};

// Sets (or, with nullopt, unsets) an environment variable through the Win32
// calls, restoring the old value at destruction.
class ScopedEnvVar {
 public:
  ScopedEnvVar(std::string name, const std::optional<std::string>& value);
  ~ScopedEnvVar();
  ScopedEnvVar(const ScopedEnvVar&) = delete;
  ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Makes a directory (Windows form) current, restoring the old one at destruction.
class ScopedCurrentDir {
 public:
  explicit ScopedCurrentDir(const std::string& windows_path);
  ~ScopedCurrentDir();
  ScopedCurrentDir(const ScopedCurrentDir&) = delete;
  ScopedCurrentDir& operator=(const ScopedCurrentDir&) = delete;

 private:
  std::string old_;
};

// The directory of the running test program in Windows form, with a final
// backslash; the child programs of tests/children live there too.
std::string test_binary_dir();

// The host path of the test program `name` of tests/children, with ".exe"
// where it has one.
std::filesystem::path test_program(const std::string& name);

// Copies tests/children's fake gcc into `bin` as its gcc: put `bin` alone on
// PATH, so that no real compiler of the machine can answer.
void install_fake_gcc(const ScopedTempDir& bin);

// Writes bytes to a file (host path), replacing it; fails the test on error.
void write_host_file(const std::filesystem::path& path, const std::string& bytes);
// Reads a whole file (host path); empty when it cannot be read.
std::string read_host_file(const std::filesystem::path& path);

}  // namespace zeb::test
