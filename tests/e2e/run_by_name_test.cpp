// Scripts run by their own name on Windows: the zip's register-zebc.cmd,
// run by Wine's cmd, writes this user's association and PATHEXT, a script
// started through the association runs with its arguments and hands back
// its status, and /u takes away what was written.
#include <cstdlib>
#include <optional>

#include "installation_support.h"

namespace zeb::e2e {
namespace {

const std::string kClasses = "HKCU\\Software\\Classes";
const std::string kEnvironment = "HKCU\\Environment";

class RunByNameTest : public E2ETest {
 protected:
  void SetUp() override {
    E2ETest::SetUp();
    if (IsSkipped()) return;
    if (GetParam() == Host::Posix) GTEST_SKIP() << "Windows only: POSIX runs scripts by name through #!";
    if (GetParam() == Host::Windows32) {
      GTEST_SKIP() << "a 32-bit Wine prefix of its own takes minutes through qemu; the 64-bit build runs it";
    }
    // The registry lives in the prefix: a prefix of its own keeps these
    // changes from the scenarios that share one, run at the same time.
    wine_.wine_prefix = prefix_.host("wineprefix");
    wine_.directory = work_.host_path();
    const RunResult booted = wine({"wineboot", "--init"});
    ASSERT_EQ(booted.status, 0) << booted.err;
    // As the zip holds it: in Windows line ends, beside zeb_c.exe.
    fs::copy_file(fs::path(ZEB_E2E_WINDOWS_BUILD) / "packaging" / "register-zebc.cmd",
                  install_.host() / "register-zebc.cmd");
  }

  void TearDown() override {
    if (wine_.wine_prefix.empty()) return;
    const std::string stop = "WINEPREFIX=" + wine_.wine_prefix.string() + " /usr/lib/wine/wineserver64 -k";
    EXPECT_EQ(std::system(stop.c_str()), 0);
  }

  RunResult wine(std::vector<std::string> words) const {
    const std::string program = words.front();
    words.erase(words.begin());
    return install_.run_program(program, words, wine_);
  }

  RunResult register_script(const std::vector<std::string>& switches = {}) const {
    std::vector<std::string> words = {"cmd", "/c", install_.windows(install_.host() / "register-zebc.cmd")};
    words.insert(words.end(), switches.begin(), switches.end());
    return wine(words);
  }

  // A value's data as reg shows it, or nothing when the value is not there.
  std::optional<std::string> value(const std::string& key, const std::string& name = {}) const {
    const RunResult shown =
        wine(name.empty() ? std::vector<std::string>{"reg", "query", key, "/ve"}
                          : std::vector<std::string>{"reg", "query", key, "/v", name});
    const std::string::size_type type = shown.out.find("    REG_");
    if (shown.status != 0 || type == std::string::npos) return std::nullopt;
    const std::string::size_type data = shown.out.find("    ", type + 4);
    if (data == std::string::npos) return std::string();
    return shown.out.substr(data + 4, shown.out.find_first_of("\r\n", data) - data - 4);
  }

  void expect_unregistered(const std::optional<std::string>& user_pathext) const {
    const RunResult undone = register_script({"/u"});
    EXPECT_EQ(undone.status, 0) << undone.out << undone.err;
    EXPECT_EQ(value(kClasses + "\\.zebc"), std::nullopt);
    EXPECT_EQ(value(kClasses + "\\zebcfile"), std::nullopt);
    EXPECT_EQ(value(kEnvironment, "PATHEXT"), user_pathext);
  }

  test::ScopedTempDir prefix_;
  RunOptions wine_;
};

TEST_P(RunByNameTest, RegistersForThisUserRunsAScriptByItsNameAndUndoes) {
  const std::optional<std::string> system_pathext =
      value("HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment", "PATHEXT");
  ASSERT_TRUE(system_pathext.has_value());
  ASSERT_EQ(value(kEnvironment, "PATHEXT"), std::nullopt);
  const std::string command = "\"" + install_.windows(install_.host() / "zeb_c.exe") + "\" \"%1\" %*";
  // The second run finds everything in place and adds nothing.
  for (int run = 0; run < 2; ++run) {
    const RunResult registered = register_script();
    EXPECT_EQ(registered.status, 0) << registered.out << registered.err;
    EXPECT_EQ(value(kClasses + "\\.zebc"), "zebcfile");
    EXPECT_EQ(value(kClasses + "\\zebcfile"), "zeb_c script");
    EXPECT_EQ(value(kClasses + "\\zebcfile\\shell\\open\\command"), command);
    EXPECT_EQ(value(kEnvironment, "PATHEXT"), *system_pathext + ";.ZEBC");
  }

  // This Wine reads associations from HKLM\Software\Classes alone (Windows
  // merges HKCU\Software\Classes over it), so the values written are copied
  // there for start to find them.
  for (const char* key : {"\\.zebc", "\\zebcfile\\shell\\open\\command"}) {
    const std::optional<std::string> data = value(kClasses + key);
    ASSERT_TRUE(data.has_value());
    ASSERT_EQ(wine({"reg", "add", "HKLM\\Software\\Classes" + std::string(key), "/ve", "/d", *data, "/f"}).status, 0);
  }
  // A program started by start has no standard output of ours: it leaves
  // its arguments in a file in its directory, the script's.
  const std::string script = write_source(
      "by name.zebc",
      "#include <stdio.h>\nint main(int argc, char** argv) {\n  FILE* seen = fopen(\"seen.txt\", \"w\");\n"
      "  for (int i = 1; i < argc; ++i) fprintf(seen, \"[%s]\", argv[i]);\n  fclose(seen);\n  return 4;\n}\n");
  const RunResult started = wine({"start", "/wait", script, "argA", "b c"});
  EXPECT_EQ(started.status, 4) << started.out << started.err;
  EXPECT_EQ(test::read_host_file(work_.host("seen.txt")), "[argA][b c]");

  expect_unregistered(std::nullopt);

  // A PATHEXT of the user's own gains .ZEBC and gets it back without.
  ASSERT_EQ(wine({"reg", "add", kEnvironment, "/v", "PATHEXT", "/d", ".COM;.EXE;.PY", "/f"}).status, 0);
  EXPECT_EQ(register_script().status, 0);
  EXPECT_EQ(value(kEnvironment, "PATHEXT"), ".COM;.EXE;.PY;.ZEBC");
  expect_unregistered(".COM;.EXE;.PY");
}

ZEB_E2E_ON_EVERY_HOST(RunByNameTest);

}  // namespace
}  // namespace zeb::e2e
