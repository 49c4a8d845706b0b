#include "driver/source_path.h"

#include <gtest/gtest.h>

#include <cctype>
#include <utility>

#include "cache/result_codes.h"
#include "support/scoped.h"

namespace zeb::driver {

using namespace zeb::cache;

// Relative names joined to the current directory of the moment, drive-relative
// ones, and the refusals of a leading backslash or dot are met end to end.
TEST(ResolveSourcePathTest, AbsolutePathsAreKeptAndTheLimitCountsOnceJoined) {
  test::ScopedTempDir dir;
  std::filesystem::create_directory(dir.host("sub"));
  test::ScopedCurrentDir here(dir.path() + "\\sub");
  std::string out;
  const std::string exact = "C:\\" + std::string(kMaxPathLength - 3, 'a'), sub = dir / "sub";
  // The second name is short by itself, one character too long once joined.
  // Refusals leave `out` as it was ("-").
  const struct { std::string typed; int result; std::string out; } cases[] = {
      {"\\\\server\\share\\f.zebc", Success, "\\\\server\\share\\f.zebc"}, {"D:\\x\\f.zebc", Success, "D:\\x\\f.zebc"},
      {exact, Success, exact}, {exact + "b", ArgumentTooLong, "-"},
      {std::string(kMaxPathLength - sub.size(), 'n'), ArgumentTooLong, "-"},
      // Drive-relative: from that drive's current directory, here this one.
      {sub.substr(0, 2) + std::string(kMaxPathLength - sub.size(), 'n'), ArgumentTooLong, "-"}};
  for (const auto& c : cases) {
    out = "-";
    EXPECT_EQ((std::pair{resolve_source_path(out, c.typed.c_str()), out}), std::pair(c.result, c.out)) << c.typed;
  }
  // A drive root already ends in a backslash: it is not doubled.
  test::ScopedCurrentDir root(dir.path().substr(0, 3));
  EXPECT_EQ((std::pair{resolve_source_path(out, "f.zebc"), out}), std::pair(0, dir.path().substr(0, 3) + "f.zebc"));
}

TEST(NormalizePathCaseTest, StoredNamesReplaceTypedOnesButNotTheDriveLetterNorOtherNames) {
  test::ScopedTempDir dir;
  std::filesystem::create_directories(dir.host("Projects/demo"));
  test::write_host_file(dir.host("Projects/demo/test.zebc"), "same size");
  test::write_host_file(dir.host("Projects/test.zebc"), "SAME SIZE");
  std::string upper = dir.path();
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string path = "c:" + upper.substr(2) + "\\PROJECTS\\DEMO\\TEST.ZEBC";
  EXPECT_EQ(normalize_path_case(path), 1);
  EXPECT_EQ(path, "c:" + dir.path().substr(2) + "\\Projects\\demo\\test.zebc");
  // An entry directly in a drive root is left as typed. A name holding a '/'
  // is looked up whole by the platform but is no directory of its own: the
  // rebuild would drop "demo/" and find a file of the same size there.
  for (const std::string& typed : {upper + "\\PROJECTS\\DEMO\\MISSING.ZEBC", upper + "\\PROJECTS\\DEMO\\TEST.*",
                                   upper.substr(0, upper.find('\\', 3)), dir.path() + "\\Projects\\demo/test.zebc"}) {
    path = typed;
    EXPECT_EQ((std::pair{normalize_path_case(path), path}), std::pair(0, typed));
  }
  // A directory whose look-up fails on the way is not left out either.
  path = dir.path() + "\\PROJECTS\\TEST.ZEBC";
  const StoredNameLookup blind_to_projects = [](const std::string& p, std::string& stored) {
    stored = p.substr(p.rfind('\\') + 1);
    for (char& c : stored) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return !p.ends_with("PROJECTS");
  };
  EXPECT_EQ((std::pair{normalize_path_case_with(path, blind_to_projects), path}),
            std::pair(0, dir.path() + "\\PROJECTS\\TEST.ZEBC"));
}

}  // namespace zeb::driver
