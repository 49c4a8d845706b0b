// POSIX host: environment variables, kept in the real process environment so
// that children inherit them. Names match case-insensitively, as on Windows;
// PATH is shown in Windows form ("C:\bin;C:\usr\bin") and stored in POSIX form;
// LOCALAPPDATA, unless set, answers with the user's POSIX cache directory.
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/path_text.h"
#include "platform/posix/path_mapping.h"
#include "platform/win32.h"

extern char** environ;

namespace {

using zeb::platform::equal_nocase;

bool is_path_variable(std::string_view name) { return equal_nocase(name, "PATH"); }

// Every spelling of `name` in the environment: to Windows they are all one
// variable. The exact spelling comes first when present.
std::vector<std::string> spellings(std::string_view name) {
  std::vector<std::string> found;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const std::string_view text(*entry);
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view candidate = text.substr(0, equals);
    if (!equal_nocase(candidate, name)) continue;
    if (candidate == name) {
      found.insert(found.begin(), std::string(candidate));
    } else {
      found.emplace_back(candidate);
    }
  }
  return found;
}

// The spelling under which `name` is stored: the exact one when present, else
// the first that differs only in case.
std::optional<std::string> stored_name(std::string_view name) {
  std::vector<std::string> all = spellings(name);
  if (all.empty()) return std::nullopt;
  return all.front();
}

// Host PATH entries by the Windows form this layer showed them in.
using ShownEntries = std::map<std::string, std::string, std::less<>>;

// Whether the conversion back of `windows`, the Windows form of the absolute
// host entry `host_entry`, gives `host_entry` again whenever its names exist
// as written: no "." or "..", no doubled '/', no '\', no character Windows
// forbids, no final dot or space that Windows would drop.
bool converts_back_by_text(std::string_view host_entry, const std::string& windows) {
  const zeb::platform::ParsedPath parsed = zeb::platform::parse_windows_path(windows);
  if (parsed.anchor != zeb::platform::PathAnchor::DriveAbsolute) return false;
  std::string text = "/";
  for (std::size_t i = 0; i < parsed.components.size(); ++i) {
    const std::string& name = parsed.components[i];
    if (name == "." || name == ".." || zeb::platform::has_invalid_name_char(name)) return false;
    if (i != 0) text += '/';
    text += name;
  }
  if (!parsed.components.empty()) {
    if (parsed.trailing_separator) {
      text += '/';
    } else if (zeb::platform::strip_trailing_dots_and_spaces(parsed.components.back()) !=
               parsed.components.back()) {
      return false;
    }
  }
  return text == host_entry;
}

// The POSIX PATH in Windows form: absolute entries become C: paths, relative
// ones keep their text with '\' separators, empty ones (the current
// directory to POSIX) become ".". Each absolute entry that converts back by
// text alone is recorded in `shown`.
std::string windows_path_list(std::string_view posix_list, ShownEntries& shown) {
  std::string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t colon = posix_list.find(':', start);
    const std::string_view entry = posix_list.substr(
        start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    if (start != 0) out += ';';
    if (entry.empty()) {
      out += '.';
    } else if (entry.front() == '/') {
      std::string windows = zeb::platform::posix::windows_path_for(entry);
      if (converts_back_by_text(entry, windows)) shown.emplace(windows, entry);
      out += windows;
    } else {
      out += zeb::platform::windows_from_posix(entry);
    }
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  return out;
}

// One Windows PATH entry as a POSIX PATH entry, or nothing when it has no
// POSIX counterpart (another drive, a share, a name POSIX cannot list).
std::optional<std::string> posix_path_entry(std::string_view entry, const ShownEntries& shown) {
  // Windows allows an entry in double quotes; no file name contains one.
  if (entry.size() >= 2 && entry.front() == '"' && entry.back() == '"') {
    entry = entry.substr(1, entry.size() - 2);
  }
  if (entry.empty()) return std::nullopt;
  // An entry read from the host's PATH goes back as the host wrote it,
  // without asking the file system for the names it already holds.
  if (const auto known = shown.find(entry); known != shown.end()) return known->second;

  // A relative entry is relative to whatever directory is current when a
  // program is searched for, so it stays relative.
  const zeb::platform::ParsedPath parsed = zeb::platform::parse_windows_path(entry);
  std::string host;
  if (parsed.anchor != zeb::platform::PathAnchor::Relative &&
      zeb::platform::posix::host_path_for(entry, host) == ERROR_SUCCESS) {
    if (host.find(':') != std::string::npos) return std::nullopt;
    return host;
  }
  // A directory that does not exist (yet) keeps its place in the list, by
  // text alone, so that what was set is what is read back.
  std::string text;
  switch (parsed.anchor) {
    case zeb::platform::PathAnchor::DriveAbsolute:
      if (zeb::platform::fold_ascii(parsed.drive) != 'c') return std::nullopt;
      text = "/";
      break;
    case zeb::platform::PathAnchor::Rooted:
      text = "/";
      break;
    case zeb::platform::PathAnchor::Relative:
      break;
    default:
      return std::nullopt;
  }
  for (std::size_t i = 0; i < parsed.components.size(); ++i) {
    const std::string& name = parsed.components[i];
    if (zeb::platform::has_invalid_name_char(name)) return std::nullopt;
    if (i != 0) text += '/';
    text += name;
  }
  if (parsed.trailing_separator && !parsed.components.empty()) text += '/';
  if (text.empty()) text = ".";
  return text;
}

std::string posix_path_list(std::string_view windows_list, const ShownEntries& shown) {
  std::string out;
  bool first = true;
  std::size_t start = 0;
  while (start <= windows_list.size()) {
    std::size_t semicolon = windows_list.find(';', start);
    if (semicolon == std::string_view::npos) semicolon = windows_list.size();
    // Windows skips empty entries; POSIX would read them as the current
    // directory, so they are left out.
    if (auto entry = posix_path_entry(windows_list.substr(start, semicolon - start), shown)) {
      if (!first) out += ':';
      out += *entry;
      first = false;
    }
    start = semicolon + 1;
  }
  return out;
}

bool is_local_app_data(std::string_view name) { return equal_nocase(name, "LOCALAPPDATA"); }

// Where a Windows program keeps this user's own data, in the POSIX places
// for a user's cached data: $XDG_CACHE_HOME when it is an absolute path,
// else $HOME/.cache; nothing when neither is known.
std::optional<std::string> local_app_data() {
  const char* xdg = std::getenv("XDG_CACHE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return zeb::platform::posix::windows_path_for(xdg);
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return std::nullopt;
  std::string cache = home;
  if (cache.back() != '/') cache += '/';
  cache += ".cache";
  return zeb::platform::posix::windows_path_for(cache);
}

bool valid_name(LPCSTR name) {
  return name != nullptr && name[0] != '\0' && std::strchr(name, '=') == nullptr;
}

// The Windows text of the last PATH set through the layer, with the POSIX
// text it was stored as. The conversion drops what POSIX cannot express
// (empty entries, other drives), so as long as nobody has changed PATH since,
// reading it gives back exactly what was set, as on Windows.
struct PathShadow {
  std::mutex lock;
  std::optional<std::string> windows;
  std::string posix;
  // The entries of the PATH last shown in Windows form.
  ShownEntries shown;
  // The host's own PATH as last shown in Windows form, and that form. A
  // value set with that form in it stores the host's text there, byte for
  // byte: entries holding ':' or ';', '*', control characters or a final
  // dot have no faithful Windows form, and a program that adds a directory
  // must not change the user's others.
  std::optional<std::string> host_text;
  std::string host_shown;
};

// Where `shown` stands last in `list` as whole entries (bounded by ';' or the
// ends of the list); npos when it does not. The last, because a directory
// is most often put in front of what was there.
std::size_t whole_entries_at(std::string_view list, std::string_view shown) {
  if (shown.size() > list.size()) return std::string_view::npos;
  for (std::size_t at = list.rfind(shown); at != std::string_view::npos; at = list.rfind(shown, at - 1)) {
    const std::size_t end = at + shown.size();
    if ((at == 0 || list[at - 1] == ';') && (end == list.size() || list[end] == ';')) return at;
    if (at == 0) break;
  }
  return std::string_view::npos;
}

PathShadow& path_shadow() {
  static PathShadow shadow;
  return shadow;
}

std::string path_in_windows_form(const char* raw) {
  PathShadow& shadow = path_shadow();
  std::lock_guard<std::mutex> guard(shadow.lock);
  if (shadow.windows && shadow.posix == raw) return *shadow.windows;
  shadow.shown.clear();
  shadow.host_text = raw;
  shadow.host_shown = windows_path_list(raw, shadow.shown);
  return shadow.host_shown;
}

std::string path_in_posix_form(std::string_view windows_list) {
  PathShadow& shadow = path_shadow();
  std::lock_guard<std::mutex> guard(shadow.lock);
  const std::size_t at = shadow.host_text ? whole_entries_at(windows_list, shadow.host_shown) : std::string_view::npos;
  if (at == std::string_view::npos) return posix_path_list(windows_list, shadow.shown);
  const std::size_t end = at + shadow.host_shown.size();
  const std::string before = posix_path_list(windows_list.substr(0, at), shadow.shown);
  const std::string after =
      end < windows_list.size() ? posix_path_list(windows_list.substr(end + 1), shadow.shown) : std::string();
  std::string posix = before;
  if (!before.empty()) posix += ':';
  posix += *shadow.host_text;
  if (!after.empty()) posix += ':' + after;
  return posix;
}

void remember_path(std::optional<std::string> windows, std::string posix) {
  PathShadow& shadow = path_shadow();
  std::lock_guard<std::mutex> guard(shadow.lock);
  shadow.windows = std::move(windows);
  shadow.posix = std::move(posix);
}

}  // namespace

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
  if (!valid_name(name)) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::optional<std::string> key = stored_name(name);
  const char* raw = key ? std::getenv(key->c_str()) : nullptr;
  std::optional<std::string> derived;
  // Unless set through this layer, the user's data directory is where POSIX
  // keeps it.
  if (raw == nullptr && is_local_app_data(name)) {
    derived = local_app_data();
    if (derived) raw = derived->c_str();
  }
  if (raw == nullptr) {
    SetLastError(ERROR_ENVVAR_NOT_FOUND);
    return 0;
  }
  const std::string value = is_path_variable(name) ? path_in_windows_form(raw) : std::string(raw);
  if (value.size() >= size || buffer == nullptr) {
    // Nothing is written; the answer is the size needed, terminator included.
    return static_cast<DWORD>(value.size() + 1);
  }
  std::memcpy(buffer, value.data(), value.size());
  buffer[value.size()] = '\0';
  // An empty value also returns 0; a cleared last error tells it from absence.
  if (value.empty()) SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(value.size());
}

BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value) {
  if (!valid_name(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (value == nullptr) {
    // Deleting a variable that does not exist succeeds, as on Windows.
    for (const std::string& key : spellings(name)) unsetenv(key.c_str());
    if (is_path_variable(name)) remember_path(std::nullopt, std::string());
    return TRUE;
  }
  std::string key = stored_name(name).value_or(name);
  std::string stored = value;
  if (is_path_variable(name)) {
    // PATH is always stored as "PATH", the one name POSIX programs search.
    key = "PATH";
    for (const std::string& other : spellings(name)) {
      if (other != key) unsetenv(other.c_str());
    }
    stored = path_in_posix_form(value);
  }
  if (setenv(key.c_str(), stored.c_str(), 1) != 0) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return FALSE;
  }
  if (is_path_variable(name)) remember_path(std::string(value), stored);
  return TRUE;
}
