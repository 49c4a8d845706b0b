// What Windows itself would refuse where Wine forgives: programs that import
// from the kernel image, programs that Windows would start only elevated,
// names beyond the ANSI code page. Where Wine cannot show the fault, the
// executable's own bytes are searched: a PE image keeps the names of the
// DLLs it imports, and its manifest resource, as plain text.
#include "e2e/installation_support.h"

namespace zeb::e2e {
namespace {

#define ZEB_E2E_WINDOWS_ONLY(reason) \
  if (GetParam() == Host::Posix) GTEST_SKIP() << "Windows only: " << reason

// Common C functions, used so that the compiler cannot fold them away.
constexpr const char* kCommonFunctions =
    "#include <ctype.h>\n#include <stdio.h>\n#include <stdlib.h>\n#include <string.h>\n#include <wchar.h>\n"
    "static int order(const void* a, const void* b) { return *(const int*)a - *(const int*)b; }\n"
    "int main(int argc, char** argv) {\n"
    "  char text[64]; int v[3] = {atoi(argv[1]), 1, 2}; wchar_t wide[8];\n"
    "  strncpy(text, argv[argc - 1], sizeof text - 1); text[sizeof text - 1] = 0;\n"
    "  memmove(text + 1, text, strlen(text) + 1); text[0] = (char)toupper((unsigned char)text[1]);\n"
    "  qsort(v, 3, sizeof v[0], order); srand((unsigned)v[0]);\n"
    "  wcscpy(wide, L\"abc\");\n"
    "  printf(\"%d%d%d %s %d %d\\n\", v[0], v[1], v[2], text, (int)(strchr(text, 'x') != 0), (int)wcslen(wide));\n"
    "  return 0; }\n";

using WindowsProgramsTest = E2ETest;

TEST_P(WindowsProgramsTest, ProgramsImportNothingFromTheKernelAndZebcAndItsToolchainCarryTheirManifests) {
  ZEB_E2E_WINDOWS_ONLY("programs are PE images, with manifests, on Windows only");
  const std::string source = write_source("common.zebc", kCommonFunctions);
  expect_run({"common.zebc", "3", "xyz"}, compiled("123 Xxyz 1 3\n"));
  const std::string image = lower(test::read_host_file(install_.executable_for(source)));
  // The C runtime is where the C functions come from, never the kernel.
  EXPECT_NE(image.find("msvcrt.dll"), std::string::npos);
  for (const char* kernel : {"ntoskrnl.exe", "hal.dll"}) {
    EXPECT_EQ(image.find(kernel), std::string::npos) << "a user program imports from the kernel image: " << kernel;
  }
  // zeb_c's manifest resource: of the texts in the image, the one that sets the
  // code page (the manifest zeb_c writes beside programs sets none).
  const std::string zebc = test::read_host_file(install_.host() / "zeb_c.exe");
  const std::size_t page = zebc.find("activeCodePage");
  ASSERT_NE(page, std::string::npos);
  const std::size_t begin = zebc.rfind("<?xml", page);
  const std::string own = zebc.substr(begin, zebc.find("</assembly>", page) - begin);
  for (const char* part : {"<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
                           ">UTF-8</activeCodePage>",
                           "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
    EXPECT_NE(own.find(part), std::string::npos) << part;
  }
  // The stand-in reads UTF-8 command lines, as a current gcc driver does.
  EXPECT_NE(test::read_host_file(install_.gcc()).find(">UTF-8</activeCodePage>"), std::string::npos);
}

// Windows would start these names only elevated without the manifest beside
// them; the manifest is in place from the first run and goes with the entry.
TEST_P(WindowsProgramsTest, InstallerLikeNamesRunWithAnAsInvokerManifestAndNamesBeyondTheAnsiCodePageRun) {
  std::vector<fs::path> manifests;
  for (const std::string name : {"update", "setup"}) {
    const std::string source = write_source(name + ".zebc", printing(name + " ran"));
    expect_run({name + ".zebc"}, compiled(name + " ran\n"));
    const fs::path manifest = install_.executable_for(source).string() + ".manifest";
    const std::string text = test::read_host_file(manifest);
    EXPECT_NE(text.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"), std::string::npos)
        << manifest;
    // The program keeps the system's code page: only zeb_c itself is on UTF-8.
    EXPECT_EQ(text.find("activeCodePage"), std::string::npos);
    manifests.push_back(manifest);
  }
  // A recompile keeps it; it is neither registered nor listed.
  write_source("update.zebc", printing("update again"));
  expect_run({"update.zebc"}, compiled("update again\n"));
  EXPECT_TRUE(fs::is_regular_file(manifests[0]));
  EXPECT_EQ(install_.registry().find(".manifest"), std::string::npos) << install_.registry();
  EXPECT_EQ(run({"/cachedfiles"}).out.find(".manifest"), std::string::npos);
  expect_run({"/flush"}, text("deleting cached files \n"));
  for (const fs::path& manifest : manifests) EXPECT_FALSE(fs::exists(manifest.parent_path())) << manifest;
  // Names beyond the ANSI code page run; the registry holds them in UTF-8, as they were typed.
  const std::string name = "\xe6\x97\xa5\xe6\x9c\xac";  // 日本
  const std::string source = write_source(name + "/" + name + ".zebc",
                                          "#include <stdio.h>\nint main(int argc, char** argv) {"
                                          " printf(\"%d [%s]\\n\", argc, argv[1]); return 3; }\n");
  expect_run({name + "/" + name + ".zebc", "an argument"}, compiled("2 [an argument]\n"), 3);
  expect_run({name + "/" + name + ".zebc", "again"}, text("2 [again]\n"), 3);
  EXPECT_EQ(install_.registry(), "<zeb software>\n" + lower(install_.windows(install_.executable_for(source))) + "\n");
  EXPECT_TRUE(fs::is_regular_file(install_.executable_for(source)));
}

ZEB_E2E_ON_EVERY_HOST(WindowsProgramsTest);

}  // namespace
}  // namespace zeb::e2e
