#include "driver/source_path.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>

#include "cache/result_codes.h"
#include "support/scoped.h"

namespace zeb::driver {
namespace {

using namespace zeb::cache;

TEST(ResolveSourcePathTest, AbsolutePathsAreKeptAndRefusalsLeaveOutAlone) {
  const std::string exact = "C:\\" + std::string(kMaxPathLength - 3, 'a');
  const std::string over = exact + "b";
  const std::pair<const char*, int> cases[] = {
      {"\\\\server\\share\\f.zebc", Success}, {"D:\\x\\f.zebc", Success},
      {exact.c_str(), Success},               {over.c_str(), ArgumentTooLong},
      {"\\f.zebc", LeadingBackslash},         {".\\f.zebc", LeadingDot},
      {".f.zebc", LeadingDot},
  };
  for (const auto& [typed, result] : cases) {
    std::string out = "before";
    EXPECT_EQ(resolve_source_path(out, typed), result) << typed;
    EXPECT_EQ(out, result == Success ? typed : "before");
  }
}

TEST(ResolveSourcePathTest, RelativeNamesJoinTheCurrentDirectoryOfTheMoment) {
  test::ScopedTempDir dir;
  std::filesystem::create_directory(dir.host("sub"));
  std::string out;
  {
    test::ScopedCurrentDir here(dir.path());
    EXPECT_EQ(resolve_source_path(out, "f.zebc"), Success);
    EXPECT_EQ(out, dir.path() + "\\f.zebc");
    ASSERT_EQ(set_current_directory((dir / "sub").c_str()), 0);
    EXPECT_EQ(resolve_source_path(out, "g\\f.zebc"), Success);
    EXPECT_EQ(out, dir.path() + "\\sub\\g\\f.zebc");
    // Short by itself, one character too long once joined.
    const std::string name(kMaxPathLength - (dir / "sub").size(), 'n');
    EXPECT_EQ(resolve_source_path(out, name.c_str()), ArgumentTooLong);
  }
  // A drive root already ends in a backslash: it is not doubled.
  test::ScopedCurrentDir root(dir.path().substr(0, 3));
  EXPECT_EQ(resolve_source_path(out, "f.zebc"), Success);
  EXPECT_EQ(out, dir.path().substr(0, 3) + "f.zebc");
}

TEST(NormalizePathCaseTest, StoredNamesReplaceTypedOnesButNotTheDriveLetter) {
  test::ScopedTempDir dir;
  std::filesystem::create_directories(dir.host("Projects/demo"));
  test::write_host_file(dir.host("Projects/demo/test.zebc"), "int main(){return 0;}");
  std::string upper = dir.path();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string path = "c:" + upper.substr(2) + "\\PROJECTS\\DEMO\\TEST.ZEBC";
  EXPECT_EQ(normalize_path_case(path), 1);
  EXPECT_EQ(path, "c:" + dir.path().substr(2) + "\\Projects\\demo\\test.zebc");
  const std::string unchanged[] = {
      upper + "\\PROJECTS\\DEMO\\MISSING.ZEBC",
      upper + "\\PROJECTS\\DEMO\\TEST.*",
      // An entry directly in a drive root is left as typed.
      upper.substr(0, upper.find('\\', 3)),
  };
  for (const std::string& typed : unchanged) {
    path = typed;
    EXPECT_EQ(normalize_path_case(path), 0) << typed;
    EXPECT_EQ(path, typed);
  }
}

TEST(NormalizePathCaseTest, NeverRebuildsIntoAPathWithOtherNames) {
  test::ScopedTempDir dir;
  test::write_host_file(dir.host("x.zebc"), "same size");
  std::filesystem::create_directory(dir.host("sub"));
  test::write_host_file(dir.host("sub/x.zebc"), "SAME SIZE");
  // A name holding a '/' is looked up whole by the platform but is no
  // directory of its own: the rebuild would drop "sub/".
  std::string path = dir.path() + "\\sub/x.zebc";
  const std::string typed = path;
  EXPECT_EQ(normalize_path_case(path), 0);
  EXPECT_EQ(path, typed);
  // A directory whose look-up fails on the way is not left out either.
  path = dir.path() + "\\SUB\\X.ZEBC";
  const StoredNameLookup blind_to_sub = [](const std::string& p, std::string& stored) {
    if (p.ends_with("SUB")) return false;
    stored = p.substr(p.rfind('\\') + 1);
    for (char& c : stored) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return true;
  };
  EXPECT_EQ(normalize_path_case_with(path, blind_to_sub), 0);
  EXPECT_EQ(path, dir.path() + "\\SUB\\X.ZEBC");
}

TEST(ManageWorkingDirectoryTest, RestoreWithoutSaveChangesNothing) {
  // The saved directory lives for the whole process: a fresh one has none.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  test::ScopedTempDir dir;
  test::ScopedCurrentDir keep(dir.path());
  EXPECT_EXIT(
      {
        const int result = manage_working_directory(kRestoreWorkingDirectory, nullptr);
        std::_Exit(result == 0 && dir.path() == current_directory() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace zeb::driver
