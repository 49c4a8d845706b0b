// The content checksum stamped into a cached executable: the source's own
// bytes, then those of every local header it includes, so that editing a
// header makes the cached program stale just as editing the source does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cache/directives.h"

namespace zeb::cache {

// A line longer than this is never taken for an include directive: the
// scanner keeps no more of a line than that while it looks. One that begins
// as a directive of directives.h is refused instead of half read.
inline constexpr std::size_t kMaxDirectiveLine = 4096;

// Collects the names of the quoted includes (#include "name") of a text fed
// in pieces of any size, in order, and its directives (directives.h). An
// include is a line that starts, after blanks, with "#", blanks, "include",
// blanks and a double quote; includes in angle brackets are not local
// headers and are left out. Comments and conditionals are not understood: a
// directive inside them counts too (a needless compile is harmless, a missed
// one is not). A refusal starts with the number of the line it is about.
class DirectiveScanner {
 public:
  void feed(const char* data, std::size_t size);
  // Ends the text: its last line, if it has no line end, is looked at now.
  void finish();
  const std::vector<std::string>& names() const { return names_; }
  // The names of includes in angle brackets: the toolchain's, unless the
  // script's own include directories have them.
  const std::vector<std::string>& angled() const { return angled_; }
  const Directives& directives() const { return directives_; }
  Directives& directives() { return directives_; }

 private:
  void end_line();
  std::string line_;       // the current line so far, while it may be a directive
  bool skipping_ = false;  // the current line cannot be one
  bool overlong_ = false;  // it was cut at kMaxDirectiveLine and looks like ours
  std::size_t line_number_ = 1;
  std::vector<std::string> names_;
  std::vector<std::string> angled_;
  Directives directives_;
};

// The CRC-32 of the source at `source_path` (Windows form) followed by each
// file it includes with quotes, found as the compiler finds it: beside the
// file that includes it, else (as for includes in angle brackets) in the
// include directories the script's options name (directives.h), relative
// to the source's directory; one found nowhere is the toolchain's and is not
// followed. Recursively, each file once, in the order first met, those
// found in include directories after the others.
// A source without quoted includes gets the CRC-32 of its own bytes. 0 when
// the source cannot be read. With `directives`, those of every file read
// are gathered there in the same order; a refusal is prefixed with the path
// of the file it is in ("<path>:<line>: ...").
std::uint32_t source_checksum(const std::string& source_path, Directives* directives = nullptr);

}  // namespace zeb::cache
