// The freshness check reads the source and the local headers it includes;
// a missed include runs a stale program, a wrong name reads the wrong file.
// Any source text: the scanner finds the same names however the text is
// fed, only names written in the text, whatever kind of blank stands
// between their words; and the checksum is the zlib CRC-32 of the
// source's bytes, followed by those of the one header of the scratch
// directory when the source names it. Its directives are read or refused
// the same however it is fed (what they allow and how they reach the
// compiler is tabled in tests/cache/source_checksum_test.cpp).
#include <zlib.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "cache/source_checksum.h"
#include "fuzz_support.h"

namespace {

namespace cache = zeb::cache;

// It includes itself and the source: each file is read once all the same.
constexpr std::string_view kHeader = "#include \"h.h\"\n#include \"script.zebc\"\nint from_header;\n";

const zeb::fuzz::ScratchDirectory& scratch() {
  static const zeb::fuzz::ScratchDirectory directory("include");
  static const bool made = [] {
    zeb::fuzz::write_host_file(directory.host() / "h.h", kHeader);
    return true;
  }();
  (void)made;
  return directory;
}

std::uint32_t crc_of(std::uint32_t crc, std::string_view bytes) {
  return static_cast<std::uint32_t>(
      crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = zeb::fuzz::text_of(data, size);

  cache::DirectiveScanner whole;
  whole.feed(text.data(), text.size());
  whole.finish();
  for (const std::string& name : whole.names()) {
    ZEB_FUZZ_CHECK(!name.empty() && text.find('"' + name + '"') != std::string::npos,
                   "every name found is written in the text");
  }
  // A blank of any kind reads as a space (the line-by-line reading itself is
  // tabled in tests/cache/source_checksum_test.cpp).
  const auto spaced = [](std::string blanks) {
    const auto blank = [](char c) { return c == '\t' || c == '\r' || c == '\f' || c == '\v'; };
    std::replace_if(blanks.begin(), blanks.end(), blank, ' ');
    return blanks;
  };
  cache::DirectiveScanner with_spaces;
  with_spaces.feed(spaced(text).data(), size);
  with_spaces.finish();
  std::vector<std::string> names = whole.names();
  std::transform(names.begin(), names.end(), names.begin(), spaced);
  ZEB_FUZZ_CHECK(with_spaces.names() == names, "a blank of any kind reads as a space");

  // Pieces of every size from 1 to 8, in turn, taken from the first byte.
  cache::DirectiveScanner pieces;
  std::size_t piece = size > 0 ? data[0] % 8 + 1 : 1;
  for (std::size_t at = 0; at < text.size(); at += piece, piece = piece % 8 + 1) {
    pieces.feed(text.data() + at, std::min(piece, text.size() - at));
  }
  pieces.finish();
  ZEB_FUZZ_CHECK(pieces.names() == whole.names(), "the names do not depend on how the text is fed");
  const cache::Directives& read = whole.directives();
  const cache::Directives& read_in_pieces = pieces.directives();
  ZEB_FUZZ_CHECK(read.libraries == read_in_pieces.libraries && read.options == read_in_pieces.options &&
                     read.workdir == read_in_pieces.workdir && read.refusal == read_in_pieces.refusal,
                 "the directives do not depend on how the text is fed");
  zeb::fuzz::write_host_file(scratch().host() / "Script.zebc", text);
  const std::uint32_t checksum = cache::source_checksum(scratch().windows() + "\\script.zebc");
  const std::uint32_t plain = crc_of(crc_of(0, {}), text);
  const std::uint32_t with_header = crc_of(plain, kHeader);
  if (whole.names().empty()) {
    ZEB_FUZZ_CHECK(checksum == plain, "a source without quoted includes has the CRC-32 of its bytes");
  } else if (std::find(whole.names().begin(), whole.names().end(), "h.h") != whole.names().end()) {
    ZEB_FUZZ_CHECK(checksum == with_header, "a header found beside the source is read after it, once");
  } else if (std::none_of(whole.names().begin(), whole.names().end(),
                          [](const std::string& name) { return name.find_first_of("/\\") != std::string::npos; })) {
    // A name with a directory in it may reach any file of the machine; a
    // plain one only what lies beside the source.
    ZEB_FUZZ_CHECK(checksum == plain || checksum == with_header, "only the source and its header are read");
  }
  return 0;
}
