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

TEST(IncludeScanner, FindsQuotedIncludesWhereverTheTextIsCut) {
  const std::string text =
      "#include <stdio.h>\n#include \"a.h\"\r\n  #  include\t\"sub/b.h\" // why\n#include\"c.h\"\n"
      "int x; #include \"no.h\"\n#includes \"no.h\"\n#define include \"no.h\"\n#include \"unclosed.h\n"
      "/* #include \"d.h\" */\n#include \"e.h\"";
  const std::vector<std::string> expected = {"a.h", "sub/b.h", "c.h", "e.h"};
  // Fed whole, and cut at every place: a directive split across pieces counts once.
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    IncludeScanner scanner;
    scanner.feed(text.data(), cut);
    scanner.feed(text.data() + cut, text.size() - cut);
    scanner.finish();
    EXPECT_EQ(scanner.names(), expected) << cut;
  }
  IncludeScanner too_long;
  const std::string padded = "#include \"" + std::string(kMaxDirectiveLine, 'x') + ".h\"\n#include \"f.h\"\n";
  too_long.feed(padded.data(), padded.size());
  too_long.finish();
  EXPECT_EQ(too_long.names(), std::vector<std::string>{"f.h"});
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
  const std::uint32_t all = source_checksum(source);
  EXPECT_EQ(all, crc(main_text + a + deep + b));
  write("inc/deep.h", deep + "int edited;\n");
  EXPECT_NE(source_checksum(source), all);
  write("inc/deep.h", deep);
  EXPECT_EQ(source_checksum(source), all);
  std::filesystem::remove(dir.host("inc/deep.h"));
  EXPECT_EQ(source_checksum(source), crc(main_text + a + b));
  // Without quoted includes: the checksum of the source alone, as it always was.
  write("plain.zebc", "#include <stdio.h>\n#include \"gone.h\"\nint main(void) { return 0; }\n");
  EXPECT_EQ(source_checksum(dir / "plain.zebc"), crc("#include <stdio.h>\n#include \"gone.h\"\nint main(void) { return 0; }\n"));
  EXPECT_EQ(source_checksum(dir / "missing.zebc"), 0u);
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
