#include "cache/source_checksum.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cache/checksum.h"
#include "support/scoped.h"

namespace zeb::cache {
namespace {

std::uint32_t crc(const std::string& bytes) {
  return crc32_update(0, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// What a scanner fed `text` in two pieces, cut at `cut`, makes of it.
DirectiveScanner scanned(const std::string& text, std::size_t cut) {
  DirectiveScanner scanner;
  scanner.feed(text.data(), cut);
  scanner.feed(text.data() + cut, text.size() - cut);
  scanner.finish();
  return scanner;
}

TEST(DirectiveScanner, FindsQuotedIncludesWhereverTheTextIsCut) {
  const std::string text =
      "#include <stdio.h>\n#include \"a.h\"\r\n  #  include\t\"sub/b.h\" // why\n#include\"c.h\"\n"
      "int x; #include \"no.h\"\n#includes \"no.h\"\n#define include \"no.h\"\n#include \"unclosed.h\n"
      "/* #include \"d.h\" */\n#include \"e.h\"";
  const std::vector<std::string> expected = {"a.h", "sub/b.h", "c.h", "e.h"};
  // Fed whole, and cut at every place: a directive split across pieces counts once.
  for (std::size_t cut = 0; cut <= text.size(); ++cut) EXPECT_EQ(scanned(text, cut).names(), expected) << cut;
  const std::string padded = "#include \"" + std::string(kMaxDirectiveLine, 'x') + ".h\"\n#include \"f.h\"\n";
  EXPECT_EQ(scanned(padded, padded.size()).names(), std::vector<std::string>{"f.h"});
}

TEST(DirectiveScanner, ReadsLibrariesOptionsAndWorkdirWhereverTheTextIsCut) {
  const std::string text =
      "#pragma comment(lib, \"z\")\n#pragma comment( lib , \"bcrypt.LIB\" ) // why\n"
      "#pragma comment(linker, \"/subsystem:console\")\n#pragma once\nint x; #pragma zeb_c options(\"-o\")\n"
      "  #  pragma zeb_c options(\"-DM=\\\"a b\\\"\", \"-I\" \"inc\", \"-DA=\\x41\\101\\\\\") /* c */\r\n"
      "#pragma zeb_c workdir(\"caller\")\n#pragma zeb_cx options(\"-o\")\n#pragma zeb_c workdir(\"source\")\n"
      "#pragma zeb_c workdir(\"caller\")";
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    const DirectiveScanner scanner = scanned(text, cut);
    const Directives& read = scanner.directives();
    EXPECT_EQ(read.libraries, (std::vector<std::string>{"z", "bcrypt"})) << cut;
    EXPECT_EQ(read.options, (std::vector<std::string>{"-DM=\"a b\"", "-Iinc", "-DA=AA\\"})) << cut;
    EXPECT_EQ(read.workdir, Workdir::Caller) << cut;
    EXPECT_EQ(read.refusal, "") << cut;
  }
}

// Options that would name, change or move what the cache keeps, run other
// programs or read other files; and directives that cannot be read.
TEST(DirectiveScanner, RefusesWhatWouldBreakTheCacheAndWhatItCannotRead) {
  const std::vector<std::string> refused_options = {
      "-o",      "-ox.exe", "-x",        "-E",     "-S",          "-c",           "-MD",      "-MF",
      "@args",   "-save-temps", "-dumpdir", "-wrapper", "-Bdir",   "-specs=x",     "-include", "x.c",
      "",        "-Wl,-o,x", "-Wp,-MD,f", "-fdump-tree-all", "-fplugin=x.so", "-lz;rm", "-l-z", "-v",
      "-D\x01", "--sysroot=/", "-la b"};
  for (const std::string& option : refused_options) {
    EXPECT_NE(option_refusal(option), "") << option;
  }
  for (const std::string option : {"-DX=1", "-UX", "-Iinc", "-Llib", "-lz", "-O", "-O2", "-Ofast", "-g", "-g3",
                                   "-std=c99", "-Wall", "-Werror=format", "-fno-strict-aliasing", "-mwindows",
                                   "-pthread", "-static", "-w", "-s", "-isystemdir", "-D X=\"a b\""}) {
    EXPECT_EQ(option_refusal(option), "") << option;
  }
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"#pragma zeb_c options(\"-O2\", \"-o\")", "2: compiler option \"-o\" is not allowed"},
      {"#pragma zeb_c options(\"-D\\x1b[2J\")", "2: compiler option \"-D\\x1b[2J\" is not allowed"},
      {"#pragma zeb_c options(-o)", "2: cannot read the options directive"},
      {"#pragma zeb_c options(\"-O2\"", "2: cannot read the options directive"},
      {"#pragma zeb_c options(\"-O2\",)", "2: cannot read the options directive"},
      {"#pragma zeb_c options(\"-O2\") x", "2: cannot read the options directive"},
      {"#pragma zeb_c options(\"\\q\")", "2: cannot read the options directive"},
      {"#pragma zeb_c options(\"-D\\0\")", "2: cannot read the options directive"},
      {"#pragma zeb_c options(\"-D\\x100\")", "2: cannot read the options directive"},
      {"#pragma zeb_c options(\"-D\\\")", "2: cannot read the options directive"},
      {"#pragma zeb_c option(\"-O2\")", "2: unknown zeb_c directive"},
      {"#pragma zeb_c workdir(\"home\")", "2: workdir takes \"caller\" or \"source\""},
      {"#pragma comment(lib, z)", "2: cannot read the library directive"},
      {"#pragma comment(lib, \"-lz\")", "2: library name \"-lz\" is not allowed"},
      // One character over the longest line kept.
      {"#pragma zeb_c options(\"" + std::string(kMaxDirectiveLine - 24, 'x') + "\")",
       "2: directive longer than 4096 characters"},
  };
  for (const auto& [line, refusal] : lines) {
    // The first refusal is the one named; what follows it is not read.
    const std::string text = "#pragma comment(lib, \"m\")\n" + line + "\n#pragma zeb_c bad\n#pragma comment(lib, \"q\")\n";
    for (std::size_t cut = 0; cut <= text.size(); cut += 7) {
      EXPECT_EQ(scanned(text, cut).directives().refusal, refusal) << line << " cut at " << cut;
    }
    EXPECT_EQ(scanned(text, 0).directives().libraries, std::vector<std::string>{"m"}) << line;
  }
  std::string longest = "#pragma comment(lib, \"q\")";
  longest.resize(kMaxDirectiveLine, ' ');
  EXPECT_EQ(scanned(longest, 0).directives().libraries, std::vector<std::string>{"q"});
}

// Headers beside the file that includes them count, recursively, each once;
// the checksum changes with any of them and with nothing else.
TEST(SourceChecksum, CoversTheLocalHeadersTheCompilerWouldRead) {
  test::ScopedTempDir dir, elsewhere;
  const auto write = [&](const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(dir.host(name).parent_path());
    test::write_host_file(dir.host(name), bytes);
  };
  const std::string source = dir / "main.zebc";
  const std::string main_text = "#include <stdio.h>\n#include \"inc/a.h\"\n#include \"b.h\"\n#include \"inc/a.h\"\n";
  const std::string a = "#include \"deep.h\"\n#include \"../b.h\"\n", deep = "#include \"a.h\"\nint deep;\n",
                    b = "int b;\n";
  write("main.zebc", main_text);
  write("inc/a.h", a);
  write("inc/deep.h", deep);
  write("b.h", b);
  // stdio.h beside the source is the toolchain's to find, not ours.
  write("stdio.h", "ignored");
  // In the order first met, each once, whatever the spelling (../b.h is b.h).
  EXPECT_EQ(source_checksum(source), crc(main_text + a + deep + b));
  std::filesystem::remove(dir.host("inc/deep.h"));
  EXPECT_EQ(source_checksum(source), crc(main_text + a + b));
  // Without quoted includes: the checksum of the source alone, as it always was.
  write("plain.zebc", "#include <stdio.h>\n#include \"gone.h\"\nint main(void) { return 0; }\n");
  EXPECT_EQ(source_checksum(dir / "plain.zebc"), crc("#include <stdio.h>\n#include \"gone.h\"\nint main(void) { return 0; }\n"));
  EXPECT_EQ(source_checksum(dir / "missing.zebc"), 0u);
}

// A header's directives count after the source's, and a refusal names the
// file it is in. Headers found in the include directories the options name
// (even a later header's) are in the checksum, after the others.
TEST(SourceChecksum, GathersTheDirectivesOfTheSourceAndItsHeaders) {
  test::ScopedTempDir dir;
  const std::string main_text = "#pragma comment(lib, \"a\")\n#include \"h.h\"\n#include <lib.h>\n#include \"q.h\"\n"
                                "#include <stdio.h>\n#pragma zeb_c workdir(\"caller\")\n";
  const std::string h = "#pragma comment(lib, \"b\")\n#pragma zeb_c options(\"-DH\", \"-Iinc\")\n"
                        "#pragma zeb_c workdir(\"source\")\n";
  test::write_host_file(dir.host("main.zebc"), main_text);
  test::write_host_file(dir.host("h.h"), h);
  std::filesystem::create_directories(dir.host("inc"));
  test::write_host_file(dir.host("inc/lib.h"), "int lib;\n");
  test::write_host_file(dir.host("inc/q.h"), "int q;\n");
  Directives read;
  EXPECT_EQ(source_checksum(dir / "main.zebc", &read), crc(main_text + h + "int q;\n" + "int lib;\n"));
  EXPECT_EQ(read.libraries, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(read.options, (std::vector<std::string>{"-DH", "-Iinc"}));
  EXPECT_EQ(read.workdir, Workdir::Source);
  EXPECT_EQ(read.refusal, "");
  test::write_host_file(dir.host("h.h"), "\n#pragma zeb_c options(\"-E\")\n");
  Directives refused;
  source_checksum(dir / "main.zebc", &refused);
  EXPECT_EQ(refused.refusal, (dir / "h.h") + ":2: compiler option \"-E\" is not allowed");
}

// A directive that straddles two reads of a large source still counts.
TEST(SourceChecksum, FindsAnIncludeAcrossTheReadsOfALargeSource) {
  test::ScopedTempDir dir;
  const std::string include = "#include \"h.h\"\n";
  const std::string text = std::string(kChecksumChunkSize - 5, '\n') + include;
  test::write_host_file(dir.host("big.zebc"), text);
  test::write_host_file(dir.host("h.h"), "int h;\n");
  EXPECT_EQ(source_checksum(dir / "big.zebc"), crc(text + "int h;\n"));
}

}  // namespace
}  // namespace zeb::cache
