// Windows path text, by string work alone; shared by both hosts.
// Anchors follow the Win32 rules: drive, root of the current drive, UNC share.
#include "platform/portable/path_text.h"

namespace zeb::platform {
namespace {

bool is_ascii_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char upper_ascii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Appends the names of `text` (separators of either kind, empty names dropped).
void split_into(std::string_view text, std::vector<std::string>& out) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && !is_path_separator(text[end])) ++end;
    if (end > start) out.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
}

std::string join(const std::vector<std::string>& components) {
  std::string out;
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (i != 0) out += '\\';
    out += components[i];
  }
  return out;
}

}  // namespace

bool is_path_separator(char c) { return c == '\\' || c == '/'; }

char fold_ascii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_nocase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (fold_ascii(a[i]) != fold_ascii(b[i])) return false;
  }
  return true;
}

ParsedPath parse_windows_path(std::string_view text) {
  ParsedPath parsed;
  std::string_view rest = text;
  if (text.size() >= 2 && is_path_separator(text[0]) && is_path_separator(text[1])) {
    if (text.size() >= 4 && (text[2] == '?' || text[2] == '.') && is_path_separator(text[3])) {
      parsed.anchor = PathAnchor::Device;
      return parsed;
    }
    parsed.anchor = PathAnchor::Unc;
    std::vector<std::string> names;
    split_into(text.substr(2), names);
    if (!names.empty()) parsed.server = names[0];
    if (names.size() > 1) parsed.share = names[1];
    for (std::size_t i = 2; i < names.size(); ++i) parsed.components.push_back(names[i]);
    parsed.trailing_separator = names.size() > 2 && is_path_separator(text.back());
    return parsed;
  }
  if (text.size() >= 2 && is_ascii_letter(text[0]) && text[1] == ':') {
    parsed.drive = text[0];
    const bool absolute = text.size() >= 3 && is_path_separator(text[2]);
    parsed.anchor = absolute ? PathAnchor::DriveAbsolute : PathAnchor::DriveRelative;
    rest = text.substr(2);
  } else if (!text.empty() && is_path_separator(text[0])) {
    parsed.anchor = PathAnchor::Rooted;
  }
  split_into(rest, parsed.components);
  parsed.trailing_separator = !parsed.components.empty() && is_path_separator(text.back());
  return parsed;
}

void collapse_dot_components(std::vector<std::string>& components) {
  std::vector<std::string> kept;
  kept.reserve(components.size());
  for (std::string& name : components) {
    if (name == ".") continue;
    if (name == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(std::move(name));
  }
  components = std::move(kept);
}

std::string strip_trailing_dots_and_spaces(std::string_view name) {
  std::size_t end = name.size();
  while (end > 0 && (name[end - 1] == '.' || name[end - 1] == ' ')) --end;
  if (end == 0) return std::string(name);
  return std::string(name.substr(0, end));
}

bool has_invalid_name_char(std::string_view name) {
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) return true;
    switch (c) {
      case '<': case '>': case ':': case '"': case '|': case '?': case '*':
        return true;
      default:
        break;
    }
  }
  return false;
}

bool has_wildcard(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}

std::string full_windows_path(std::string_view text, std::string_view current_directory) {
  if (text.empty()) return std::string();
  ParsedPath path = parse_windows_path(text);
  if (path.anchor == PathAnchor::Device) return std::string(text);

  ParsedPath base = parse_windows_path(current_directory);
  std::vector<std::string> names;
  ParsedPath anchor = path;  // whose drive or share the result starts from
  switch (path.anchor) {
    case PathAnchor::Relative:
      anchor = base;
      names = base.components;
      break;
    case PathAnchor::DriveRelative:
      if (base.anchor == PathAnchor::DriveAbsolute && fold_ascii(base.drive) == fold_ascii(path.drive)) {
        anchor = base;
        names = base.components;
      } else {
        // No remembered directory on another drive: its root stands in.
        anchor.drive = upper_ascii(path.drive);
      }
      break;
    case PathAnchor::Rooted:
      anchor = base;
      break;
    default:
      break;
  }
  names.insert(names.end(), path.components.begin(), path.components.end());
  collapse_dot_components(names);

  const bool trailing = path.trailing_separator;
  if (!names.empty() && !trailing) names.back() = strip_trailing_dots_and_spaces(names.back());

  std::string out;
  if (anchor.anchor == PathAnchor::Unc) {
    // Appended piece by piece: GCC 12 misreports `"\\" + std::string` as an
    // overlapping copy (-Wrestrict) at -O2 and above.
    out = "\\\\";
    out += anchor.server;
    if (!anchor.share.empty()) {
      out += '\\';
      out += anchor.share;
    }
    if (!names.empty()) {
      out += '\\';
      out += join(names);
    }
  } else {
    const char drive = anchor.drive != 0 ? anchor.drive : 'C';
    out = join_drive_path(drive, names);
  }
  if (trailing && !names.empty()) out += '\\';
  return out;
}

std::size_t final_name_offset(std::string_view full_path) {
  if (full_path.empty() || is_path_separator(full_path.back())) return std::string_view::npos;
  const std::size_t last = full_path.find_last_of("\\/");
  if (last == std::string_view::npos) {
    // "C:name" cannot come out of full_windows_path; a bare name is all name.
    return 0;
  }
  return last + 1;
}

std::string join_drive_path(char drive, const std::vector<std::string>& components) {
  std::string out(1, drive);
  out += ":\\";
  out += join(components);
  return out;
}

std::string windows_from_posix(std::string_view posix_path) {
  if (posix_path.empty() || posix_path[0] != '/') {
    std::string out(posix_path);
    for (char& c : out) {
      if (c == '/') c = '\\';
    }
    return out;
  }
  std::vector<std::string> names;
  split_into(posix_path, names);
  std::string out = join_drive_path('C', names);
  if (!names.empty() && posix_path.back() == '/') out += '\\';
  return out;
}

std::string windows_form_of_typed_path(std::string_view typed, TypedPathSyntax syntax) {
  std::string out;
  out.reserve(typed.size() + 2);
  if (syntax == TypedPathSyntax::Windows) {
    for (const char c : typed) out += c == '/' ? '\\' : c;
    return out;
  }
  if (!typed.empty() && typed.front() == '/') out = "C:";
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (typed[i] != '/') {
      out += typed[i];
    } else if (i == 0 || typed[i - 1] != '/') {
      out += '\\';
    }
  }
  return out;
}

}  // namespace zeb::platform
