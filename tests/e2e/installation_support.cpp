#include "e2e/installation_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <csignal>
#include <regex>

extern char** environ;

namespace zeb::e2e {

// Each Windows build, and the headless, private Wine it runs in, as
// scripts/wine-env.sh sets it up.
struct WindowsBuild {
  fs::path tree;
  fs::path prefix;
  std::string loader;
  std::string compiler_version;
  std::vector<std::string> start(const fs::path& own_prefix = {}) const {
    // File names on this side are UTF-8, whatever locale the tests run in.
    return {"WINEPREFIX=" + (own_prefix.empty() ? prefix : own_prefix).string(), "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree=;mshtml=",
            "LC_ALL=C.UTF-8", "WINELOADER=" + loader, loader};
  }
};

const WindowsBuild& windows_build(Host host) {
  static const WindowsBuild wide = {ZEB_E2E_WINDOWS_BUILD, ZEB_E2E_WINEPREFIX, ZEB_E2E_WINE64,
                                    ZEB_E2E_WINDOWS_CC_VERSION};
  static const WindowsBuild narrow = {ZEB_E2E_WINDOWS32_BUILD, ZEB_E2E_WINEPREFIX32, ZEB_E2E_WINE32,
                                      ZEB_E2E_WINDOWS32_CC_VERSION};
  return host == Host::Windows32 ? narrow : wide;
}

std::vector<Host> hosts() {
  std::vector<Host> configured = {Host::Posix};
  for (Host host : {Host::Windows, Host::Windows32}) {
    if (!windows_build(host).tree.empty()) configured.push_back(host);
  }
  return configured;
}

void PrintTo(Host host, std::ostream* out) {
  *out << (host == Host::Windows32 ? "Windows32" : host == Host::Windows ? "Windows" : "Posix");
}

std::string cannot_run(Host host) {
  if (host != Host::Windows32) return {};
  // Asked once: the answer starts a 32-bit program.
  static const std::string reason = [] {
    std::string said;
    std::FILE* ready = popen("bash '" ZEB_E2E_I386_READY "'", "r");
    if (ready == nullptr) return std::string("cannot ask " ZEB_E2E_I386_READY);
    std::array<char, 512> chunk{};
    while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), ready) != nullptr) said += chunk.data();
    const int status = pclose(ready);
    while (!said.empty() && said.back() == '\n') said.pop_back();
    return status == 0 ? std::string() : "32-bit Windows programs cannot run here: " + said;
  }();
  return reason;
}

Installation::Installation(Host kind) : host_(kind) {
  fs::create_directories(host() / "mingw" / "bin");
  if (windows_host() && cannot_run(kind).empty()) {
    const WindowsBuild& build = windows_build(kind);
    EXPECT_TRUE(fs::exists(build.prefix / ".zeb-ready"))
        << "no Wine prefix: run scripts/wine-prefix.sh start " << build.prefix;
    fs::copy_file(build.tree / "bin/zeb_c.exe", host() / "zeb_c.exe");
    fs::copy_file(build.tree / "bin/mingw/bin/gcc.exe", gcc());
  } else {
    fs::copy_file(ZEB_C_BINARY, host() / "zeb_c");
    fs::copy_file(ZEB_GCC_STANDIN, gcc());
  }
}

std::string Installation::windows(const fs::path& path) const {
  std::string result = (windows_host() ? "Z:" : "C:") + path.string();
  std::replace(result.begin(), result.end(), '/', '\\');
  return result;
}

std::string Installation::text(const std::string& lines) const {
  return windows_host() ? std::regex_replace(lines, std::regex("\n"), "\r\n") : lines;
}

std::string Installation::program_sees(const fs::path& directory) const {
  return windows_host() ? windows(directory) : directory.string();
}

std::string Installation::compile_header() const {
  // The toolchain check keeps the version as the stand-in reports it: that
  // of the compiler that stand-in was built to run.
  const std::string version = windows_host() ? windows_build(host_).compiler_version : ZEB_HOST_CC_VERSION;
  return text("ZEB Software ZEB_C JIT compiler version 1.0.0 \ngcc version " + version + " \n \n");
}

RunResult Installation::run(const std::vector<std::string>& arguments, const RunOptions& options) const {
  return run_program(host() / (windows_host() ? "zeb_c.exe" : "zeb_c"), arguments, options);
}

RunResult Installation::run_program(const fs::path& program, const std::vector<std::string>& arguments,
                                    const RunOptions& options) const {
  const test::ScopedTempDir io;
  test::write_host_file(io.host("stdin"), options.input);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, io.host("stdin").c_str(), O_RDONLY, 0);
  // Appended to, so that both streams can share one file.
  posix_spawn_file_actions_addopen(&actions, 1, io.host("stdout").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, io.host(options.one_stream ? "stdout" : "stderr").c_str(),
                                   O_WRONLY | O_CREAT | O_APPEND, 0644);
  // Wine takes its current directory from the one it starts in (as Z:\...).
  posix_spawn_file_actions_addchdir_np(&actions, options.directory.c_str());

  // env(1) sets the environment: no window system, the test's additions.
  std::vector<std::string> texts;
  if (options.user) {
    const std::string id = std::to_string(*options.user);
    texts = {"/usr/bin/setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups"};
  }
  for (const char* word : {"/usr/bin/env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY"}) texts.emplace_back(word);
  texts.insert(texts.end(), options.environment.begin(), options.environment.end());
  if (windows_host()) {
    const std::vector<std::string> start = windows_build(host_).start(options.wine_prefix);
    texts.insert(texts.end(), start.begin(), start.end());
  }
  texts.push_back(program.string());
  texts.insert(texts.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& text : texts) argv.push_back(text.data());
  argv.push_back(nullptr);

  // The child inherits the limit; a write beyond it then fails (EFBIG)
  // instead of ending the writer, as a full disk fails it.
  rlimit old_limit{};
  if (options.file_size_limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit limit = old_limit;
    limit.rlim_cur = *options.file_size_limit;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  // A group of its own, as a shell gives each job, for the signals to reach.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (options.signal != 0) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  if (options.file_size_limit) setrlimit(RLIMIT_FSIZE, &old_limit);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  RunResult result;
  int wait_status = 0;
  EXPECT_EQ(spawned, 0);
  if (spawned == 0 && options.signal != 0) {
    for (int i = 0; i < 800 && !fs::exists(options.signal_when); ++i) usleep(25000);
    EXPECT_TRUE(fs::exists(options.signal_when)) << options.signal_when;
    kill(options.signal_group ? -pid : pid, options.signal);
  }
  if (spawned != 0 || waitpid(pid, &wait_status, 0) != pid) return result;
  if (WIFEXITED(wait_status)) result.status = WEXITSTATUS(wait_status);
  if (WIFSIGNALED(wait_status)) result.signal = WTERMSIG(wait_status);
  result.out = test::read_host_file(io.host("stdout"));
  result.err = test::read_host_file(io.host("stderr"));
  return result;
}

fs::path Installation::executable_for(const std::string& windows_source) const {
  std::string entry = cache_entry(windows_source);
  std::replace(entry.begin(), entry.end(), '\\', '/');
  return host() / "cache" / entry;
}

std::string cache_entry(const std::string& windows_source) {
  const std::string name = windows_source.substr(windows_source.rfind('\\') + 1);
  std::string key;
  for (int shift = 28; shift >= 0; shift -= 4) key += "0123456789abcdef"[(crc32_of(lower(windows_source)) >> shift) & 15];
  return lower(name) + "-" + key + "\\" + name + ".exe";
}

std::vector<fs::path> Installation::cached_executables() const {
  std::vector<fs::path> found;
  std::error_code no_cache;
  for (const auto& entry : fs::recursive_directory_iterator(host() / "cache", no_cache)) {
    if (entry.path().extension() == ".exe") found.push_back(entry.path());
  }
  return found;
}

void Installation::use_fake_gcc() const {
  fs::copy_file(windows_host() ? windows_build(host_).tree / "tests/bin/child_fake_gcc.exe" : ZEB_FAKE_GCC, gcc());
}

std::string printing(const std::string& text) {
  return "#include <stdio.h>\nint main(void) { printf(\"" + text + "\\n\"); return 0; }\n";
}

std::uint32_t crc32_of(const std::string& text) {
  return static_cast<std::uint32_t>(
      ::crc32(0L, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(text.size())));
}

std::string lower(std::string text) {
  for (char& c : text) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return text;
}

std::string E2ETest::write_source(const std::string& relative, const std::string& text) {
  const fs::path file = work_.host(relative);
  fs::create_directories(file.parent_path());
  test::write_host_file(file, text);
  return install_.windows(file);
}

RunResult expect_printed(RunResult result, const Printed& printed, int status) {
  EXPECT_EQ(std::tuple(result.out, result.err, result.status), std::tuple(printed.out, printed.err, status));
  return result;
}

}  // namespace zeb::e2e
