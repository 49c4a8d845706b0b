#include "cache/source_checksum.h"

#include <algorithm>
#include <utility>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "base/strlib/string_primitives.h"
#include "cache/checksum.h"
#include "fsutil/path_tests.h"
#include "platform/win32.h"

namespace zeb::cache {
namespace {

std::size_t skip_blanks(std::string_view text, std::size_t at) {
  while (at < text.size() && is_directive_blank(text[at])) ++at;
  return at;
}

// The name of an include directive and whether it is in angle brackets, or
// an empty name when `line` is none.
std::pair<std::string_view, bool> included_name(std::string_view line) {
  std::size_t at = skip_blanks(line, 0);
  if (at >= line.size() || line[at] != '#') return {};
  at = skip_blanks(line, at + 1);
  constexpr std::string_view kInclude = "include";
  if (line.substr(at, kInclude.size()) != kInclude) return {};
  at = skip_blanks(line, at + kInclude.size());
  if (at >= line.size() || (line[at] != '"' && line[at] != '<')) return {};
  const bool angled = line[at] == '<';
  const std::size_t close = line.find(angled ? '>' : '"', at + 1);
  if (close == std::string_view::npos) return {};
  return {line.substr(at + 1, close - at - 1), angled};
}

struct StreamCloser {
  void operator()(std::FILE* stream) const { std::fclose(stream); }
};

// Feeds the whole file to the checksum and the scanner; false when it cannot
// be opened.
bool read_file(const std::string& path, std::uint32_t& checksum, DirectiveScanner& scanner) {
  const std::unique_ptr<std::FILE, StreamCloser> stream(platform::open_stream(path.c_str(), "rb"));
  if (!stream) return false;
  // Each read goes from the file straight into the chunk, as large as a
  // plain checksum's, so that a big source costs no more reads than it did.
  std::setvbuf(stream.get(), nullptr, _IONBF, 0);
  static std::array<char, kChecksumChunkSize> chunk;
  for (;;) {
    const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), stream.get());
    checksum = crc32_update(checksum, chunk.data(), static_cast<std::uint32_t>(got));
    scanner.feed(chunk.data(), got);
    if (got < chunk.size()) break;
  }
  scanner.finish();
  return true;
}

// Where the compiler finds `name`, included by the file at `includer`, as
// one text per file whatever the spelling ("inc\..\b.h" is "b.h").
std::string beside(const std::string& includer, std::string_view name) {
  std::string path;
  const bool absolute = (name.size() >= 2 && name[1] == ':') || (!name.empty() && (name[0] == '\\' || name[0] == '/'));
  if (!absolute) path = includer.substr(0, includer.find_last_of("\\/") + 1);
  path += name;
  std::replace(path.begin(), path.end(), '/', '\\');
  return platform::full_path(path).value_or(path);
}

// The directories of a script's include options (-I, -iquote, ...), in
// Windows form, in the order named.
std::vector<std::string> include_directories(const std::vector<std::string>& options) {
  std::vector<std::string> directories;
  for (const std::string& option : options) {
    for (const std::string_view prefix : kIncludeDirectoryOptions) {
      if (option.size() > prefix.size() && option.starts_with(prefix)) {
        directories.push_back(platform::windows_path_from_typed(option.substr(prefix.size())));
        break;
      }
    }
  }
  return directories;
}

// Adds one file's directives to those of the files read before it.
void gather(const Directives& file, const std::string& path, Directives& all) {
  all.libraries.insert(all.libraries.end(), file.libraries.begin(), file.libraries.end());
  all.options.insert(all.options.end(), file.options.begin(), file.options.end());
  if (file.workdir != Workdir::Unnamed) all.workdir = file.workdir;
  if (all.refusal.empty() && !file.refusal.empty()) all.refusal = path + ":" + file.refusal;
}

std::string lower_case(std::string text) {
  strlib::to_lower(text);
  return text;
}

}  // namespace

void DirectiveScanner::feed(const char* data, std::size_t size) {
  const char* const end = data + size;
  while (data < end) {
    const char* const line_end = static_cast<const char*>(std::memchr(data, '\n', static_cast<std::size_t>(end - data)));
    const char* const piece_end = line_end != nullptr ? line_end : end;
    if (!skipping_) {
      // Most lines are not directives, and show it by their first character.
      if (line_.empty()) {
        const char* first = data;
        while (first < piece_end && is_directive_blank(*first)) ++first;
        if (first < piece_end && *first != '#') skipping_ = true;
      }
      if (!skipping_) {
        const auto piece = static_cast<std::size_t>(piece_end - data);
        if (line_.size() + piece > kMaxDirectiveLine) {
          line_.append(data, kMaxDirectiveLine - line_.size());
          overlong_ = looks_like_directive(line_);
          skipping_ = true;
          line_.clear();
        } else {
          line_.append(data, piece);
        }
      }
    }
    if (line_end == nullptr) break;
    end_line();
    data = line_end + 1;
  }
}

void DirectiveScanner::finish() { end_line(); }

void DirectiveScanner::end_line() {
  const bool refused_before = !directives_.refusal.empty();
  if (!skipping_) {
    const auto [name, angled] = included_name(line_);
    if (!name.empty()) (angled ? angled_ : names_).emplace_back(name);
    read_directive(line_, directives_);
  } else if (overlong_ && !refused_before) {
    directives_.refusal = "directive longer than " + std::to_string(kMaxDirectiveLine) + " characters";
  }
  if (!refused_before && !directives_.refusal.empty()) {
    directives_.refusal.insert(0, std::to_string(line_number_) + ": ");
  }
  line_.clear();
  skipping_ = false;
  overlong_ = false;
  ++line_number_;
}

std::uint32_t source_checksum(const std::string& source_path, Directives* directives) {
  std::uint32_t checksum = 0;
  Directives all;
  std::unordered_set<std::string> seen = {lower_case(source_path)};
  std::vector<std::string> to_read = {source_path};
  // Names not beside their includer: gcc looks for them in the directories
  // the script's options name, which a later header may still add to.
  std::vector<std::string> elsewhere;
  bool first = true;
  for (;;) {
    while (!to_read.empty()) {
      const std::string path = std::move(to_read.back());
      to_read.pop_back();
      DirectiveScanner scanner;
      if (!read_file(path, checksum, scanner)) {
        // A header that went between the look and the read counts as gone.
        if (first) return 0;
        continue;
      }
      first = false;
      gather(scanner.directives(), path, all);
      // Pushed last first, so that they are read in the order they appear.
      std::vector<std::string> found;
      for (const std::string& name : scanner.names()) {
        std::string header = beside(path, name);
        if (!fsutil::is_file(header.c_str())) {
          elsewhere.push_back(name);
        } else if (seen.insert(lower_case(header)).second) {
          found.push_back(std::move(header));
        }
      }
      elsewhere.insert(elsewhere.end(), scanner.angled().begin(), scanner.angled().end());
      to_read.insert(to_read.end(), std::make_move_iterator(found.rbegin()), std::make_move_iterator(found.rend()));
    }
    const std::vector<std::string> directories = include_directories(all.options);
    std::vector<std::string> found;
    std::erase_if(elsewhere, [&](const std::string& name) {
      for (const std::string& directory : directories) {
        // Relative to the source's directory, where the compiler runs.
        std::string header = beside(source_path, directory + "\\" + name);
        if (!fsutil::is_file(header.c_str())) continue;
        if (seen.insert(lower_case(header)).second) found.push_back(std::move(header));
        return true;
      }
      return false;
    });
    if (found.empty()) break;
    to_read.assign(std::make_move_iterator(found.rbegin()), std::make_move_iterator(found.rend()));
  }
  if (directives != nullptr) *directives = std::move(all);
  return checksum;
}

}  // namespace zeb::cache
