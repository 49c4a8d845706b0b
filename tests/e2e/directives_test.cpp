// What a script asks of its compile and run, in its own lines: libraries,
// compiler options, the directory its program runs in.

#include "e2e/installation_support.h"

namespace zeb::e2e {
namespace {

using DirectivesTest = E2ETest;

// A library outside the fixed list, named by the script (zlib here, bcrypt
// on Windows), options with blanks and quotes in them, and an include
// directory relative to the script; then refusals, and a library the
// toolchain lacks.
TEST_P(DirectivesTest, LibrariesAndOptionsNamedInTheScriptReachTheCompiler) {
  const bool windows = install_.windows_host();
  write_source("proj/inc/word.h", "#define WORD \"from-inc\"\n");
  const std::string call = windows ? "#include <windows.h>\n#include <bcrypt.h>\n#pragma comment(lib, \"bcrypt.lib\")\n"
                                     "#define CALL() (long)BCryptGenRandom(NULL, b, sizeof b, BCRYPT_USE_SYSTEM_PREFERRED_RNG)\n"
                                   : "#include <zlib.h>\n#pragma comment(lib, \"z\")\n"
                                     "#define CALL() (long)(crc32(0, b, 3) != 0x352441c2)\n";
  write_source("proj/tool.zebc", call +
                                     "#include <stdio.h>\n#include <word.h>\n"
                                     "#pragma zeb_c options(\"-DGREETING=\\\"hi there\\\"\", \"-Iinc\", \"-Wall\")\n"
                                     "int main(void) { unsigned char b[16] = \"abc\";"
                                     " printf(\"%s %s %ld\\n\", GREETING, WORD, CALL()); return 0; }\n");
  const RunResult first = run({"proj/tool.zebc"});
  // No warning about the directives themselves, though -Wall is on.
  expect_printed(first, compiled("hi there from-inc 0\n"));
  // A header found through the script's own include directory is in its checksum.
  write_source("proj/inc/word.h", "#define WORD \"edited\"\n");
  EXPECT_EQ(run({"proj/tool.zebc"}).out, text("hi there edited 0\n"));

  // Refused before anything is compiled, naming the file, line and option.
  const std::string refused = write_source("refused.zebc", "#include <stdio.h>\n#pragma zeb_c options(\"-O2\", \"-o\", \"elsewhere.exe\")\n"
                                                           "int main(void) { return 0; }\n");
  const RunResult refusal = run({"refused.zebc"});
  EXPECT_EQ(refusal.out, "");
  EXPECT_EQ(refusal.err, text(refused + ":2: compiler option \"-o\" is not allowed \n"
                                        "directive or compiler option not allowed\n"));
  EXPECT_EQ(refusal.status, 30);
  EXPECT_FALSE(fs::exists(install_.executable_for(refused)));

  // A library the toolchain lacks: the linker says so, as it would to gcc's user.
  write_source("nolib.zebc", "#pragma comment(lib, \"zebnosuchlib\")\nint main(void) { return 0; }\n");
  const RunResult missing = run({"nolib.zebc"});
  EXPECT_NE(missing.err.find("-lzebnosuchlib"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.status, 9);
}

// A tool on PATH that takes file names runs where it was started from, when
// the script asks; otherwise in its own directory, as ever.
TEST_P(DirectivesTest, WorkdirCallerRunsTheProgramWhereZebcWasStarted) {
  ZEB_E2E_POSIX_ONLY("where the program runs is decided by the same code on every host");
  const std::string program =
      "#include <stdio.h>\nint main(void) { FILE* f = fopen(\"data.txt\", \"r\"); char line[64] = \"none\";"
      " if (f) { if (!fgets(line, sizeof line, f)) line[0] = 0; fclose(f); } printf(\"%s\", line); return 0; }\n";
  write_source("tools/count.zebc", "#pragma zeb_c workdir(\"caller\")\n" + program);
  write_source("tools/data.txt", "beside the tool\n");
  write_source("here/data.txt", "where the user is\n");
  RunOptions in_here;
  in_here.directory = "here";
  const RunResult caller = run({"../tools/count.zebc"}, in_here);
  EXPECT_EQ(caller.out, "where the user is\n") << caller.err;
  EXPECT_EQ(caller.status, 0);
  write_source("tools/count.zebc", "#pragma zeb_c workdir(\"source\")\n" + program);
  EXPECT_EQ(run({"../tools/count.zebc"}, in_here).out, "beside the tool\n");
}

}  // namespace

ZEB_E2E_ON_EVERY_HOST(DirectivesTest);

}  // namespace zeb::e2e
