#include "cache/directives.h"

#include <array>
#include <optional>

#include "platform/portable/command_line.h"

namespace zeb::cache {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_identifier_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || is_digit(c) || c == '_';
}
int hex_value(char c) {
  if (is_digit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A cursor over one line, with the few tokens a directive is made of.
class Reader {
 public:
  explicit Reader(std::string_view line) : line_(line) {}

  void skip_blanks() {
    while (at_ < line_.size() && is_directive_blank(line_[at_])) ++at_;
  }
  // The punctuation `c`, after blanks.
  bool take(char c) {
    skip_blanks();
    if (at_ >= line_.size() || line_[at_] != c) return false;
    ++at_;
    return true;
  }
  // The identifier `word` as a whole, after blanks ("zeb_cx" is not "zeb_c").
  bool take_word(std::string_view word) {
    skip_blanks();
    if (line_.substr(at_, word.size()) != word) return false;
    const std::size_t end = at_ + word.size();
    if (end < line_.size() && is_identifier_char(line_[end])) return false;
    at_ = end;
    return true;
  }
  // One or more adjacent C string literals, joined as the compiler joins
  // them; nothing when there is none or one cannot be read.
  std::optional<std::string> take_string() {
    std::string value;
    bool any = false;
    for (;;) {
      skip_blanks();
      if (at_ >= line_.size() || line_[at_] != '"') break;
      if (!literal(value)) return std::nullopt;
      any = true;
    }
    if (!any) return std::nullopt;
    return value;
  }
  // Only blanks or a comment may follow a directive.
  bool at_end() {
    skip_blanks();
    const std::string_view rest = line_.substr(at_);
    return rest.empty() || rest.starts_with("//") || rest.starts_with("/*");
  }

 private:
  // The literal at at_ (on its opening quote), its value appended.
  bool literal(std::string& value) {
    ++at_;
    while (at_ < line_.size()) {
      const char c = line_[at_++];
      if (c == '"') return true;
      if (c != '\\') {
        value += c;
        continue;
      }
      if (at_ >= line_.size() || !escape(value)) return false;
    }
    return false;
  }
  // The escape after a backslash; a NUL, an unknown escape or one beyond a
  // byte cannot be an argument.
  bool escape(std::string& value) {
    static constexpr std::string_view kNamed = "abfnrtv\\'\"?";
    static constexpr std::string_view kMeaning = "\a\b\f\n\r\t\v\\'\"?";
    const char c = line_[at_];
    if (const std::size_t named = kNamed.find(c); named != std::string_view::npos) {
      value += kMeaning[named];
      ++at_;
      return true;
    }
    unsigned code = 0;
    if (c >= '0' && c <= '7') {
      for (int digits = 0; digits < 3 && at_ < line_.size() && line_[at_] >= '0' && line_[at_] <= '7'; ++digits) {
        code = code * 8 + static_cast<unsigned>(line_[at_++] - '0');
      }
    } else if (c == 'x') {
      ++at_;
      const std::size_t first = at_;
      while (at_ < line_.size() && hex_value(line_[at_]) >= 0) {
        code = code * 16 + static_cast<unsigned>(hex_value(line_[at_++]));
        if (code > 0xFF) return false;
      }
      if (at_ == first) return false;
    } else {
      return false;
    }
    if (code == 0 || code > 0xFF) return false;
    value += static_cast<char>(code);
    return true;
  }

  std::string_view line_;
  std::size_t at_ = 0;
};

// A script's text as a message shows it: control characters as \xNN, so
// that a refusal cannot write terminal sequences.
std::string shown(std::string_view text) {
  static constexpr std::string_view kDigits = "0123456789abcdef";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      out += c;
    } else {
      out += "\\x";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0xF];
    }
  }
  return out;
}

constexpr std::string_view kLibSuffix = ".lib";

bool ends_with_lib(std::string_view name) {
  if (name.size() <= kLibSuffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - kLibSuffix.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    if ((tail[i] | 0x20) != kLibSuffix[i]) return false;
  }
  return true;
}

// `#pragma comment(lib, "name")`, after "comment". Windows compilers take
// "name.lib" as well as "name": both mean -lname.
void read_comment(Reader& reader, Directives& directives) {
  if (!reader.take('(') || !reader.take_word("lib")) return;  // linker, user, ...: not ours
  const std::optional<std::string> name = reader.take(',') ? reader.take_string() : std::nullopt;
  if (!name || !reader.take(')') || !reader.at_end()) {
    directives.refusal = "cannot read the library directive";
    return;
  }
  std::string library = *name;
  if (ends_with_lib(library)) library.resize(library.size() - kLibSuffix.size());
  if (!is_library_name(library)) {
    directives.refusal = "library name \"" + shown(*name) + "\" is not allowed";
    return;
  }
  directives.libraries.push_back(std::move(library));
}

// `#pragma zeb_c options("a", "b")` or `#pragma zeb_c workdir("caller")`,
// after "zeb_c".
void read_own(Reader& reader, Directives& directives) {
  if (reader.take_word("options")) {
    std::vector<std::string> options;
    bool read = reader.take('(');
    while (read) {
      std::optional<std::string> option = reader.take_string();
      if (!option) {
        read = false;
        break;
      }
      options.push_back(std::move(*option));
      if (reader.take(')')) break;
      read = reader.take(',');
    }
    if (!read || !reader.at_end()) {
      directives.refusal = "cannot read the options directive";
      return;
    }
    for (const std::string& option : options) {
      directives.refusal = option_refusal(option);
      if (!directives.refusal.empty()) return;
    }
    directives.options.insert(directives.options.end(), options.begin(), options.end());
    return;
  }
  if (reader.take_word("workdir")) {
    const std::optional<std::string> where = reader.take('(') ? reader.take_string() : std::nullopt;
    if (!where || !reader.take(')') || !reader.at_end() || (*where != "caller" && *where != "source")) {
      directives.refusal = "workdir takes \"caller\" or \"source\"";
      return;
    }
    directives.workdir = *where == "caller" ? Workdir::Caller : Workdir::Source;
    return;
  }
  directives.refusal = "unknown zeb_c directive";
}

bool has_prefix(std::string_view text, std::string_view prefix) {
  return text.size() > prefix.size() && text.starts_with(prefix);
}

}  // namespace

bool looks_like_directive(std::string_view line) {
  Reader reader(line);
  return reader.take('#') && reader.take_word("pragma") && (reader.take_word("zeb_c") || reader.take_word("comment"));
}

void read_directive(std::string_view line, Directives& directives) {
  if (!directives.refusal.empty()) return;
  Reader reader(line);
  if (!reader.take('#') || !reader.take_word("pragma")) return;
  if (reader.take_word("comment")) {
    read_comment(reader, directives);
  } else if (reader.take_word("zeb_c")) {
    read_own(reader, directives);
  }
}

bool is_library_name(std::string_view name) {
  if (name.empty() || name.front() == '-') return false;
  for (const char c : name) {
    if (!is_identifier_char(c) && c != '.' && c != '+' && c != '-') return false;
  }
  return true;
}

std::string option_refusal(std::string_view option) {
  const std::string refused = "compiler option \"" + shown(option) + "\" is not allowed";
  for (const char c : option) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return refused;
  }
  // Options that take their value attached, and the value's own rule.
  static constexpr std::array<std::string_view, 4> kWithValue = {"-D", "-U", "-L", "-std="};
  for (const std::string_view prefix : kWithValue) {
    if (has_prefix(option, prefix)) return {};
  }
  for (const std::string_view prefix : kIncludeDirectoryOptions) {
    if (has_prefix(option, prefix)) return {};
  }
  if (has_prefix(option, "-l")) return is_library_name(option.substr(2)) ? std::string() : refused;
  static constexpr std::array<std::string_view, 9> kWhole = {"-w", "-ansi", "-pedantic", "-pedantic-errors", "-pthread",
                                                             "-static", "-static-libgcc", "-s", "-O"};
  for (const std::string_view whole : kWhole) {
    if (option == whole) return {};
  }
  // Optimisation, debugging, warnings, code generation and target
  // families, less those that hand arguments to other programs or write
  // files of their own.
  static constexpr std::array<std::string_view, 3> kPassOn = {"-Wl,", "-Wa,", "-Wp,"};
  static constexpr std::array<std::string_view, 7> kWriting = {
      "-fdump", "-fplugin", "-fstack-usage", "-fcallgraph-info", "-fsave-optimization-record", "-fprofile", "-fopt-info"};
  if (has_prefix(option, "-W")) {
    for (const std::string_view pass_on : kPassOn) {
      if (option.starts_with(pass_on)) return refused;
    }
    return {};
  }
  if (has_prefix(option, "-f")) {
    for (const std::string_view writing : kWriting) {
      if (option.starts_with(writing)) return refused;
    }
    return {};
  }
  if (has_prefix(option, "-O") || has_prefix(option, "-g") || option == "-g" || has_prefix(option, "-m")) return {};
  return refused;
}

std::string library_arguments(const Directives& directives) {
  std::string text;
  for (const std::string& library : directives.libraries) {
    text += " -l";
    text += library;
  }
  return text;
}

std::string option_arguments(const Directives& directives) {
  std::string text;
  for (const std::string& option : directives.options) {
    text += ' ';
    text += platform::quote_argument(option);
  }
  return text;
}

}  // namespace zeb::cache
