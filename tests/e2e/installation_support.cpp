#include "e2e/installation_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace zeb::e2e {

namespace fs = std::filesystem;

Installation::Installation() {
  fs::create_directories(host() / "mingw" / "bin");
  fs::copy_file(ZEB_C_BINARY, host() / "zeb_c");
  fs::copy_file(ZEB_GCC_STANDIN, gcc());
}

Started::~Started() {
  if (pid_ > 0) wait();
}

RunResult Started::wait() {
  RunResult result;
  if (pid_ <= 0) return result;
  int wait_status = 0;
  waitpid(pid_, &wait_status, 0);
  pid_ = -1;
  if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
  result.out = test::read_host_file(io_->host("stdout"));
  result.err = test::read_host_file(io_->host("stderr"));
  return result;
}

RunResult Installation::run(const std::vector<std::string>& arguments,
                            const fs::path& working_directory, const std::string& input,
                            const std::optional<std::string>& path_variable) const {
  return start(arguments, working_directory, input, path_variable).wait();
}

Started Installation::start(const std::vector<std::string>& arguments,
                            const fs::path& working_directory, const std::string& input,
                            const std::optional<std::string>& path_variable,
                            std::optional<std::uint64_t> file_size_limit) const {
  Started started;
  started.io_ = std::make_unique<test::ScopedTempDir>();
  const std::string in_file = started.io_->host("stdin").string();
  const std::string out_file = started.io_->host("stdout").string();
  const std::string err_file = started.io_->host("stderr").string();
  test::write_host_file(in_file, input);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, in_file.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, working_directory.c_str());

  const std::string program = (host() / "zeb_c").string();
  std::vector<std::string> texts = {program};
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (path_variable && std::strncmp(*entry, "PATH=", 5) == 0) continue;
    environment.emplace_back(*entry);
  }
  if (path_variable) environment.push_back("PATH=" + *path_variable);
  std::vector<char*> envp;
  for (std::string& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);

  // The child inherits the limit; a write beyond it then fails (EFBIG)
  // instead of ending the writer, as a full disk fails it.
  rlimit old_limit{};
  if (file_size_limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit limit = old_limit;
    limit.rlim_cur = *file_size_limit;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  if (file_size_limit) setrlimit(RLIMIT_FSIZE, &old_limit);
  posix_spawn_file_actions_destroy(&actions);
  EXPECT_EQ(spawned, 0) << "zeb_c could not be started";
  if (spawned == 0) started.pid_ = pid;
  return started;
}

fs::path Installation::cache_directory_for(const std::string& windows_source) const {
  const std::string lowered = lower(windows_source);
  const std::string name = lowered.substr(lowered.rfind('\\') + 1);
  std::array<char, 9> key{};
  std::snprintf(key.data(), key.size(), "%08x", static_cast<unsigned>(crc32_of(lowered)));
  return host() / "cache" / (name + "-" + key.data());
}

fs::path Installation::executable_for(const std::string& windows_source) const {
  return cache_directory_for(windows_source) /
         (windows_source.substr(windows_source.rfind('\\') + 1) + ".exe");
}

int Installation::cache_entries() const {
  if (!fs::is_directory(host() / "cache")) return 0;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(host() / "cache")) {
    if (entry.is_directory()) ++count;
  }
  return count;
}

std::vector<fs::path> Installation::cached_executables() const {
  std::vector<fs::path> found;
  if (!fs::is_directory(host() / "cache")) return found;
  for (const auto& entry : fs::recursive_directory_iterator(host() / "cache")) {
    if (entry.path().extension() == ".exe") found.push_back(entry.path());
  }
  return found;
}

std::string Installation::registry() const { return test::read_host_file(host() / "zeb_c.ini"); }

std::string compile_header() {
  // The toolchain check keeps the version as the stand-in reports it.
  return std::string("ZEB Software ZEB_C JIT compiler version 1.0.0 \n") + "gcc version " +
         ZEB_HOST_CC_VERSION + " \n \n";
}

std::uint32_t crc32_of(const std::string& text) {
  return static_cast<std::uint32_t>(
      ::crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

std::string lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

}  // namespace zeb::e2e
