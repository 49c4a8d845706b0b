#include "gcc_arguments.h"

#include <algorithm>
#include <array>

namespace zeb::tools {
namespace {

// Libraries that the host's C runtime splits off from libc; keeping them
// lets a source that asks for them link as it would against MinGW's runtime.
constexpr std::array<std::string_view, 4> kHostLibraries = {"m", "pthread", "dl", "rt"};

// Options after which the host compiler does not link.
constexpr std::array<std::string_view, 3> kNoLinkOptions = {"-c", "-S", "-E"};

bool is_drive_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string_view strip_quotes(std::string_view argument) {
  if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"') {
    return argument.substr(1, argument.size() - 2);
  }
  return argument;
}

// A Windows path, possibly still quoted, mapped to the host into `out`;
// anything else comes back unchanged. False for a Windows path that does not
// map.
bool map_if_windows_path(std::string_view argument, const PathMapper& map, std::string& out) {
  const std::string_view unquoted = strip_quotes(argument);
  if (!is_windows_path(unquoted)) {
    out = argument;
    return true;
  }
  return map && map(unquoted, out);
}

}  // namespace

bool is_version_query(const std::vector<std::string>& arguments) {
  return arguments.size() == 1 && arguments[0] == "-v";
}

std::string version_report(std::string_view host_compiler, std::string_view version) {
  std::string report;
  report += "Reading specs from the built-in specs of ";
  report += host_compiler;
  report += "\nConfigured with: zeb_c toolchain stand-in --host=mingw32 --target=mingw32";
  report += " --enable-languages=c --with-host-compiler=";
  report += host_compiler;
  report += "\nThread model: win32\ngcc version ";
  report += version;
  report += " (mingw-special)\n";
  return report;
}

bool is_windows_path(std::string_view argument) {
  if (argument.size() >= 3 && is_drive_letter(argument[0]) && argument[1] == ':' &&
      (argument[2] == '\\' || argument[2] == '/')) {
    return true;
  }
  return argument.size() >= 3 && argument[0] == '\\' && argument[1] == '\\';
}

bool is_host_library_option(std::string_view argument) {
  if (argument.size() <= 2 || argument.substr(0, 2) != "-l") return false;
  const std::string_view name = argument.substr(2);
  return std::find(kHostLibraries.begin(), kHostLibraries.end(), name) != kHostLibraries.end();
}

namespace {

Translation translate(const std::vector<std::string>& arguments, const PathMapper& map,
                      const LibraryFilter& keep_library, bool add_math_library) {
  Translation translation;
  std::vector<std::string>& out = translation.arguments;
  out.reserve(arguments.size() + 1);
  bool links = true;
  std::string mapped;
  for (const std::string& argument : arguments) {
    const std::string_view view = argument;
    if (std::find(kNoLinkOptions.begin(), kNoLinkOptions.end(), view) != kNoLinkOptions.end()) {
      links = false;
    }
    if (view.size() > 2 && view.substr(0, 2) == "-l") {
      if (keep_library(view.substr(2))) out.push_back(argument);
      continue;
    }
    const bool joined_output = view.size() > 2 && view.substr(0, 2) == "-o";
    const std::string_view path = joined_output ? view.substr(2) : view;
    if (!map_if_windows_path(path, map, mapped)) {
      out.clear();
      translation.mapped.clear();
      translation.unmapped = path;
      return translation;
    }
    if (is_windows_path(strip_quotes(path))) {
      translation.mapped.push_back({mapped, std::string(strip_quotes(path))});
    }
    out.push_back(joined_output ? "-o" + mapped : mapped);
  }
  // After every input, so that the linker sees the calls before the library.
  if (links && add_math_library) out.emplace_back("-lm");
  return translation;
}

}  // namespace

Translation translate_arguments(const std::vector<std::string>& arguments, const PathMapper& map) {
  const auto host_library = [](std::string_view name) {
    return is_host_library_option("-l" + std::string(name));
  };
  return translate(arguments, map, host_library, true);
}

Translation translate_cross_arguments(const std::vector<std::string>& arguments,
                                      const PathMapper& map, const LibraryFilter& library_present) {
  return translate(arguments, map, library_present, false);
}

std::string windows_messages(std::string messages, std::vector<MappedPath> mapped) {
  std::sort(mapped.begin(), mapped.end(), [](const MappedPath& a, const MappedPath& b) {
    return a.host.size() > b.host.size();
  });
  for (const MappedPath& path : mapped) {
    if (path.host.empty()) continue;
    for (std::size_t at = messages.find(path.host); at != std::string::npos;
         at = messages.find(path.host, at + path.windows.size())) {
      messages.replace(at, path.host.size(), path.windows);
    }
  }
  return messages;
}

std::vector<std::string> captured_shell_command(std::string_view compiler, std::string_view capture,
                                                const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"/bin/sh", "-c", "c=$1; shift; exec \"$@\" >\"$c\" 2>&1", "sh",
                                      std::string(capture), std::string(compiler)};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return command;
}

std::string host_search_path(std::string_view compiler_directory, std::string_view path_value,
                             const PathMapper& map) {
  std::string result(compiler_directory);
  const auto append = [&result](std::string_view entry) {
    if (entry.empty()) return;
    if (!result.empty()) result += ':';
    result += entry;
  };
  std::size_t start = 0;
  while (start <= path_value.size()) {
    std::size_t end = path_value.find(';', start);
    if (end == std::string_view::npos) end = path_value.size();
    const std::string_view piece = path_value.substr(start, end - start);
    if (is_windows_path(piece)) {
      std::string host;
      if (map && map(piece, host)) append(host);
    } else {
      append(piece);
    }
    start = end + 1;
  }
  return result;
}

}  // namespace zeb::tools
