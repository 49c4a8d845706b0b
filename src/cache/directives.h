// What a script asks of its compile and run, in lines of its own text:
//   #pragma comment(lib, "z")                     link with -lz
//   #pragma zeb_c options("-DX=1", "-Iinclude")   more compiler arguments
//   #pragma zeb_c workdir("caller")               run where zeb_c was started
// The first is the convention of Windows C compilers (gcc ignores it); the
// others are zeb_c's own, and gcc ignores unknown pragmas too, so a script
// still compiles with gcc alone. They are read from the source and from its
// quoted local headers, like its includes, so they are in its checksum.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zeb::cache {

// Everything the directives of a source (and its headers) ask for, in the
// order met. `refusal` names the first directive that cannot be followed; a
// source with one is neither compiled nor run.
enum class Workdir : unsigned char { Unnamed, Source, Caller };

struct Directives {
  std::vector<std::string> libraries;  // names, as in -l<name>
  std::vector<std::string> options;    // one compiler argument each
  Workdir workdir = Workdir::Unnamed;  // the last workdir(...) met; Unnamed is Source
  std::string refusal;
};

// Blanks between the tokens of a directive line, as the preprocessor skips them.
inline bool is_directive_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// The options that name a directory of headers, each with its value attached:
// allowed in a script, and searched for the headers its checksum covers.
inline constexpr std::array<std::string_view, 4> kIncludeDirectoryOptions = {"-I", "-iquote", "-isystem",
                                                                              "-idirafter"};

// Reads one line that starts with '#' (after blanks). Lines that are no
// directive of ours are left alone, as are other pragmas, `comment`s other
// than `lib`, and everything once `directives` holds a refusal. A directive
// of ours that cannot be read or followed sets the refusal.
void read_directive(std::string_view line, Directives& directives);

// Whether `line` begins as a directive of ours: a line too long to keep
// whole that does is refused rather than half read.
bool looks_like_directive(std::string_view line);

// Why a compiler argument named by a script is refused, or empty when it is
// allowed. Only options that change how the one source is compiled and
// linked are: none may name the output, change what is produced, run other
// programs, read options from a file or write files beside the cache's.
std::string option_refusal(std::string_view option);

// Whether `name` is a library name -l can take: letters, digits, "_.+-",
// not starting with '-'.
bool is_library_name(std::string_view name);

// " -l<name>" for each library: they go before the toolchain's own, which
// they may need.
std::string library_arguments(const Directives& directives);

// A blank and each option as one argument, quoted by the Windows rules.
std::string option_arguments(const Directives& directives);

}  // namespace zeb::cache
