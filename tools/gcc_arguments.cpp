#include "gcc_arguments.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <memory>

namespace zeb::tools {
namespace {

// The Windows system libraries that zeb_c links every program against and
// the host has no counterpart for, in alphabetical order. Dropped, they
// leave nothing unresolved that a program compiled here can call; every
// other library goes to the host's linker, which fails on one it cannot
// find as MinGW's would.
constexpr std::array<std::string_view, 58> kWindowsLibraries = {
    "advapi32", "avicap32", "avifil32", "cfgmgr32", "comctl32", "comdlg32", "crypt32",  "gdi32",    "imagehlp",
    "imm32",    "kernel32", "mapi32",   "msacm32",  "mswsock",  "netapi32", "ntdll",    "odbc32",   "odbccp32",
    "ole32",    "oleacc",   "oleaut32", "olecli32", "oledlg",   "olepro32", "olesvr32", "opengl32", "penwin32",
    "pkpd32",   "powrprof", "psapi",    "quartz",   "rapi",     "rasapi32", "rasdlg",   "rpcdce4",  "rpcns4",
    "rpcrt4",   "secur32",  "setupapi", "shell32",  "shfolder", "shlwapi",  "snmpapi",  "strmiids", "svrapi",
    "tapi32",   "th32",     "thunk32",  "url",      "user32",   "version",  "vfw32",    "wininet",  "winmm",
    "wow32",    "ws2_32",   "wsnmp32",  "wsock32"};

// Options after which the host compiler does not link.
constexpr std::array<std::string_view, 3> kNoLinkOptions = {"-c", "-S", "-E"};

// The path queries: the whole option, or its text up to the queried name.
constexpr std::array<std::string_view, 2> kPathQueries = {"-print-search-dirs", "-print-libgcc-file-name"};
constexpr std::array<std::string_view, 2> kNamedPathQueries = {"-print-file-name=", "-print-prog-name="};

// The lines of a path query's answer that carry paths after a label: the
// search lists (directories joined by ':' on the host, ';' on Windows) and
// the installation directory.
constexpr std::array<std::string_view, 2> kSearchListLabels = {"programs: =", "libraries: ="};
constexpr std::string_view kInstallLabel = "install: ";
constexpr char kHostListSeparator = ':';
constexpr char kWindowsListSeparator = ';';

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

// Where the first "." or ".." component of a path begins, or its size.
std::size_t first_dot_component(std::string_view path) {
  for (std::size_t at = 0; at < path.size();) {
    const std::size_t end = std::min(path.find('/', at), path.size());
    const std::string_view component = path.substr(at, end - at);
    if (component == "." || component == "..") return at;
    at = end + 1;
  }
  return path.size();
}

// An absolute host path as a Windows gcc writes it: a drive path with '/'
// separators (gcc builds its paths with '/' on Windows too). Only the part
// before a "." or ".." component is named, the rest kept as it came: gcc
// writes such a path unresolved, where a namer (Wine's) resolves it. A final
// '/' is kept even where the namer drops it.
bool windows_gcc_path(std::string_view host_path, const WindowsNamer& name, std::string& out) {
  const std::size_t dots = first_dot_component(host_path);
  const std::string_view head = host_path.substr(0, dots);
  if (!name || !name(head, out)) return false;
  std::replace(out.begin(), out.end(), '\\', '/');
  if (head.back() == '/' && (out.empty() || out.back() != '/')) out += '/';
  out += host_path.substr(dots);
  return true;
}

// Appends one piece of a path query's answer to `out`: in Windows form when
// it is an absolute host path, as it is otherwise. False when it cannot be
// named.
bool append_path(std::string_view piece, const WindowsNamer& name, std::string& out) {
  if (piece.empty() || piece.front() != '/') {
    out += piece;
    return true;
  }
  std::string named;
  if (!windows_gcc_path(piece, name, named)) return false;
  out += named;
  return true;
}

// The same for a line of the answer, without its line end; `unnamed` takes
// the path that could not be named.
bool append_report_line(std::string_view line, const WindowsNamer& name, std::string& out,
                        std::string& unnamed) {
  for (const std::string_view label : kSearchListLabels) {
    if (!line.starts_with(label)) continue;
    out += label;
    std::string_view rest = line.substr(label.size());
    for (bool first = true;; first = false) {
      const std::size_t end = std::min(rest.find(kHostListSeparator), rest.size());
      if (!first) out += kWindowsListSeparator;
      if (!append_path(rest.substr(0, end), name, out)) {
        unnamed = rest.substr(0, end);
        return false;
      }
      if (end == rest.size()) return true;
      rest.remove_prefix(end + 1);
    }
  }
  std::string_view path = line;
  if (line.starts_with(kInstallLabel)) {
    out += kInstallLabel;
    path.remove_prefix(kInstallLabel.size());
  }
  if (append_path(path, name, out)) return true;
  unnamed = path;
  return false;
}

}  // namespace

bool read_file_bytes(const std::string& host_path, std::string& bytes, std::string& error) {
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(host_path.c_str(), "rb"), std::fclose);
  bytes.clear();
  if (file) {
    std::array<char, 4096> chunk{};
    for (std::size_t got = 0; (got = std::fread(chunk.data(), 1, chunk.size(), file.get())) != 0;) {
      bytes.append(chunk.data(), got);
    }
    if (!std::ferror(file.get())) return true;
  }
  error = std::strerror(errno);
  return false;
}

std::optional<std::string> without_interpreter_line(std::string_view source, std::string_view host_path) {
  if (!source.starts_with("#!")) return std::nullopt;
  std::string text = "#line 2 \"";
  for (const char c : host_path) {
    if (c == '\\' || c == '"') text += '\\';
    text += c;
  }
  text += '"';
  const std::size_t line_end = source.find('\n');
  if (line_end != std::string_view::npos) text += source.substr(line_end);
  return text;
}

bool is_version_query(const std::vector<std::string>& arguments) {
  return arguments.size() == 1 && arguments[0] == "-v";
}

bool is_path_query(const std::vector<std::string>& arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](std::string_view argument) {
    return std::find(kPathQueries.begin(), kPathQueries.end(), argument) != kPathQueries.end() ||
           std::any_of(kNamedPathQueries.begin(), kNamedPathQueries.end(),
                       [argument](std::string_view query) { return argument.starts_with(query); });
  });
}

PathReport windows_path_report(std::string_view report, const WindowsNamer& name) {
  PathReport result;
  for (std::size_t at = 0; at < report.size();) {
    const std::size_t next = std::min(report.find('\n', at), report.size() - 1) + 1;
    const std::string_view line = report.substr(at, next - at);
    const bool ended = line.ends_with('\n');
    if (!append_report_line(line.substr(0, line.size() - (ended ? 1 : 0)), name, result.text, result.unnamed)) {
      result.text.clear();
      return result;
    }
    if (ended) result.text += '\n';
    at = next;
  }
  return result;
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

bool is_windows_library_option(std::string_view argument) {
  if (argument.size() <= 2 || argument.substr(0, 2) != "-l") return false;
  std::string name(argument.substr(2));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return std::binary_search(kWindowsLibraries.begin(), kWindowsLibraries.end(), name);
}

namespace {

// `for_host`: the host's C compiler, which gets every library but the
// Windows system ones, and libm; otherwise the MinGW cross compiler, which
// gets every option.
Translation translate(const std::vector<std::string>& arguments, const PathMapper& map, bool for_host) {
  Translation translation;
  std::vector<std::string>& out = translation.arguments;
  out.reserve(arguments.size() + 1);
  bool links = !is_path_query(arguments);
  std::string mapped;
  for (const std::string& argument : arguments) {
    const std::string_view view = argument;
    if (std::find(kNoLinkOptions.begin(), kNoLinkOptions.end(), view) != kNoLinkOptions.end()) {
      links = false;
    }
    if (for_host && is_windows_library_option(view)) continue;
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
  if (links && for_host) out.emplace_back("-lm");
  return translation;
}

}  // namespace

Translation translate_arguments(const std::vector<std::string>& arguments, const PathMapper& map) {
  return translate(arguments, map, true);
}

Translation translate_cross_arguments(const std::vector<std::string>& arguments, const PathMapper& map) {
  return translate(arguments, map, false);
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

std::vector<std::string> captured_shell_command(std::string_view compiler, std::string_view output,
                                                std::string_view errors,
                                                const std::vector<std::string>& arguments) {
  std::vector<std::string> command = {"/bin/sh", "-c", "o=$1; e=$2; shift 2; exec \"$@\" >\"$o\" 2>\"$e\"",
                                      "sh", std::string(output), std::string(errors), std::string(compiler)};
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
