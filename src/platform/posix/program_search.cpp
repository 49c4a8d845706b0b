// POSIX host: finding the program of a command line.
// The search order is Windows' (own directory, current directory, PATH); the
// system directories of Windows have no counterpart here and are skipped.
#include "platform/posix/program_search.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/portable/path_text.h"
#include "platform/posix/path_mapping.h"

namespace zeb::platform::posix {
namespace {

enum class Probe { Missing, File, Directory, PathMissing, BadName };

// `current` is the host's current directory when the caller has it (else
// empty), for a relative path.
Probe probe(std::string_view windows_path, std::string& host_out, std::string_view current = {}) {
  std::string host;
  FinalEntry entry;
  const DWORD mapped = host_path_for(windows_path, host, entry, current);
  if (mapped == ERROR_INVALID_NAME) return Probe::BadName;
  if (mapped != ERROR_SUCCESS) return Probe::PathMissing;
  struct stat info {};
  if (final_stat(host, entry, info) != 0) return Probe::Missing;
  if (S_ISDIR(info.st_mode)) return Probe::Directory;
  host_out = std::move(host);
  return Probe::File;
}

bool has_path(std::string_view name) {
  return name.find_first_of("\\/") != std::string_view::npos ||
         (name.size() >= 2 && name[1] == ':');
}

bool has_extension(std::string_view name) {
  const std::size_t start = name.find_last_of("\\/:");
  const std::string_view last = start == std::string_view::npos ? name : name.substr(start + 1);
  return last.find('.') != std::string_view::npos;
}

// The names to try, in order: with ".exe" first when there is no extension.
std::vector<std::string> candidate_names(std::string_view name) {
  std::vector<std::string> names;
  if (!has_extension(name)) names.push_back(std::string(name) + ".exe");
  names.emplace_back(name);
  return names;
}

// The directory of the running executable as a POSIX path, or empty.
std::string executable_directory() {
  std::string host = executable_host_path();
  if (host.empty()) return host;
  const std::size_t slash = host.find_last_of('/');
  host.erase(slash == 0 ? 1 : slash);
  return host;
}

// The places a bare name is looked for, as Windows-form directory prefixes
// ending in a separator ("" is the current directory), after the
// executable's own directory `own_host`.
std::vector<std::string> search_directories(const std::string& own_host) {
  std::vector<std::string> directories;
  if (!own_host.empty()) {
    const std::string own = windows_path_for(own_host);
    directories.push_back(own.back() == '\\' ? own : own + "\\");
  }
  directories.emplace_back();
  if (const char* path = std::getenv("PATH")) {
    const std::string_view list(path);
    std::size_t start = 0;
    while (start <= list.size()) {
      std::size_t colon = list.find(':', start);
      if (colon == std::string_view::npos) colon = list.size();
      const std::string_view entry = list.substr(start, colon - start);
      if (!entry.empty()) {
        std::string directory =
            entry.front() == '/' ? windows_path_for(entry) : windows_from_posix(entry);
        if (directory.back() != '\\') directory += '\\';
        directories.push_back(std::move(directory));
      }
      start = colon + 1;
    }
  }
  return directories;
}

DWORD runnable(const std::string& host) {
  return access(host.c_str(), X_OK) == 0 ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

}  // namespace

DWORD find_application(std::string_view path, std::string& host_out) {
  std::string host;
  switch (probe(path, host)) {
    case Probe::File:
      if (runnable(host) != ERROR_SUCCESS) return ERROR_ACCESS_DENIED;
      host_out = std::move(host);
      return ERROR_SUCCESS;
    case Probe::Directory:
      return ERROR_ACCESS_DENIED;
    case Probe::PathMissing:
      return ERROR_PATH_NOT_FOUND;
    case Probe::BadName:
      return ERROR_INVALID_NAME;
    case Probe::Missing:
      break;
  }
  return ERROR_FILE_NOT_FOUND;
}

DWORD find_program(std::string_view name, std::string& host_out) {
  if (name.empty()) return ERROR_FILE_NOT_FOUND;
  const std::vector<std::string> names = candidate_names(name);

  if (has_path(name)) {
    DWORD result = ERROR_FILE_NOT_FOUND;
    for (const std::string& candidate : names) {
      result = find_application(candidate, host_out);
      if (result != ERROR_FILE_NOT_FOUND) return result;
    }
    return result;
  }

  // Place by place, as Windows walks its search order, each place trying
  // "name.exe" before the bare name: the first place that has either wins, so
  // a toolchain put first in the order is never passed over for a ".exe"
  // further along, and the search stops without reading the rest of PATH.
  const std::string own = executable_directory();
  const std::vector<std::string> directories = search_directories(own);
  // Asked once, when the search first needs it, for every relative place.
  std::string current;
  bool current_asked = false;
  for (const std::string& directory : directories) {
    const PathAnchor anchor = parse_windows_path(directory).anchor;
    const bool relative = anchor == PathAnchor::Relative || anchor == PathAnchor::DriveRelative;
    if (relative && !current_asked) {
      current = host_current_directory();
      current_asked = true;
    }
    // The current directory is often the executable's own, searched just
    // before with the same names: the same look-ups would give the same answers.
    if (directory.empty() && !current.empty() && current == own) continue;
    for (const std::string& candidate : names) {
      std::string host;
      const Probe found = probe(directory + candidate, host, relative ? current : std::string());
      if (found == Probe::BadName) return ERROR_INVALID_NAME;
      if (found != Probe::File) continue;
      if (runnable(host) != ERROR_SUCCESS) return ERROR_ACCESS_DENIED;
      host_out = std::move(host);
      return ERROR_SUCCESS;
    }
  }
  return ERROR_FILE_NOT_FOUND;
}

}  // namespace zeb::platform::posix

namespace zeb::platform {

// The very search CreateProcessA makes here, so that the two cannot differ.
std::optional<std::string> program_file(const std::string& name) {
  std::string host;
  if (posix::find_program(name, host) != ERROR_SUCCESS) return std::nullopt;
  return posix::windows_path_for(host);
}

}  // namespace zeb::platform
