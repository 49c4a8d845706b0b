// Stands in for the MinGW gcc driver in the Windows builds when they run under
// Wine, installed as mingw\bin\gcc.exe beside zeb_c.exe. It is what a
// Windows-hosted MinGW-w64 gcc is: the Linux MinGW cross compiler, handed
// every command line ("-v" and each "-l" included) with its Windows paths
// mapped to Linux ones. What that compiler writes comes back on the stream it
// wrote it to, the mapped paths written back in Windows form, and the paths
// it reports to a path query (-print-search-dirs, ...) named as a Windows gcc
// names them ("Z:/usr/lib/...", ";" between directories).
//
// With ZEB_GCC_RECORDED_VERSION naming a file (a Windows path), "gcc -v"
// answers with that file's bytes instead, for tests that play other
// toolchains.
//
// A Windows process under Wine that starts a Linux program through
// CreateProcess gets no handle to wait on and loses the child's exit status
// and output, so the compiler is started through Wine's own exports instead:
// ntdll's __wine_unix_spawnvp (starts, waits, returns the status) and
// kernel32's path mappers. They exist only under Wine, and are looked up at
// run time; without them the stand-in says so and fails.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "gcc_arguments.h"

#ifndef ZEB_CROSS_CC
#error "ZEB_CROSS_CC must name the Linux MinGW cross compiler"
#endif

namespace {

using UnixSpawn = int(__cdecl*)(char* const* argv, int wait);
using UnixFileName = char*(__cdecl*)(const WCHAR* dos_path);
using DosFileName = WCHAR*(__cdecl*)(const char* unix_path);

// An export of a loaded module, or null. The detour through void(*)() is
// the one function-pointer cast the compiler accepts without a warning.
template <typename Function>
Function wine_export(const char* module, const char* name) {
  const HMODULE handle = GetModuleHandleA(module);
  if (handle == nullptr) return nullptr;
  const auto generic = reinterpret_cast<void (*)()>(GetProcAddress(handle, name));
  return reinterpret_cast<Function>(generic);
}

struct WineCalls {
  UnixSpawn spawn = wine_export<UnixSpawn>("ntdll", "__wine_unix_spawnvp");
  UnixFileName unix_name = wine_export<UnixFileName>("kernel32", "wine_get_unix_file_name");
  DosFileName dos_name = wine_export<DosFileName>("kernel32", "wine_get_dos_file_name");
};

const WineCalls& wine() {
  static const WineCalls calls;
  return calls;
}

// Both mappers return text on the process heap.
struct HeapText {
  void* text;
  ~HeapText() {
    if (text != nullptr) HeapFree(GetProcessHeap(), 0, text);
  }
};

std::wstring widened(std::string_view text) {
  const int size = static_cast<int>(text.size());
  const int wide_size = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

bool map_to_unix(std::string_view windows_path, std::string& unix_out) {
  const HeapText mapped{wine().unix_name(widened(windows_path).c_str())};
  if (mapped.text == nullptr) return false;
  unix_out = static_cast<const char*>(mapped.text);
  return true;
}

// A Linux path as its Windows drive path. Wine names a path outside every
// drive "\\?\unix\...", which no Windows program could have been given.
bool name_in_windows(std::string_view unix_path, std::string& windows_out) {
  const HeapText named{wine().dos_name(std::string(unix_path).c_str())};
  if (named.text == nullptr) return false;
  const std::wstring wide(static_cast<const WCHAR*>(named.text));
  if (wide.size() < 3 || wide[1] != L':' || wide[2] != L'\\') return false;
  const int size = static_cast<int>(wide.size());
  const int narrow_size = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  windows_out.assign(static_cast<std::size_t>(narrow_size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, windows_out.data(), narrow_size, nullptr, nullptr);
  return true;
}

// A fresh, empty file for one of the compiler's output streams, in Windows form.
std::string capture_file() {
  std::array<char, MAX_PATH + 1> directory{};
  std::array<char, MAX_PATH + 1> file{};
  const DWORD length = GetTempPathA(MAX_PATH, directory.data());
  if (length == 0 || length > MAX_PATH) return {};
  if (GetTempFileNameA(directory.data(), "zgc", 0, file.data()) == 0) return {};
  return file.data();
}

// A capture file, deleted when the stand-in is done with it.
struct Capture {
  std::string windows = capture_file();
  std::string unix_path;
  bool ready = !windows.empty() && map_to_unix(windows, unix_path);
  ~Capture() {
    if (!windows.empty()) DeleteFileA(windows.c_str());
  }
  std::string contents() const {
    std::ifstream in(windows, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
};

int fail(const std::string& what) {
  std::fprintf(stderr, "gcc: %s\n", what.c_str());
  return 1;
}

// The recorded report, byte for byte: binary mode, so that its line ends
// reach zeb_c as they were recorded.
int answer_recorded_version(const std::string& recorded) {
  std::string report, error;
  if (!zeb::tools::read_file_bytes(recorded, report, error)) return fail(recorded + ": " + error);
  std::fflush(stderr);
  _setmode(_fileno(stderr), _O_BINARY);
  std::fwrite(report.data(), 1, report.size(), stderr);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  const char* recorded = std::getenv(zeb::tools::kRecordedVersionVariable);
  if (zeb::tools::is_version_query(arguments) && recorded != nullptr && *recorded != '\0') {
    return answer_recorded_version(recorded);
  }
  if (wine().spawn == nullptr || wine().unix_name == nullptr || wine().dos_name == nullptr) {
    return fail("this stand-in runs only under Wine, whose exports it needs: "
                "__wine_unix_spawnvp, wine_get_unix_file_name, wine_get_dos_file_name");
  }

  const zeb::tools::Translation translation = zeb::tools::translate_cross_arguments(arguments, map_to_unix);
  if (!translation.unmapped.empty()) return fail(translation.unmapped + ": no such directory");
  const Capture output;
  const Capture errors;
  if (!output.ready || !errors.ready) return fail("cannot create a file for the compiler's output");

  std::vector<std::string> command = zeb::tools::captured_shell_command(
      ZEB_CROSS_CC, output.unix_path, errors.unix_path, translation.arguments);
  std::vector<char*> command_argv;
  for (std::string& piece : command) command_argv.push_back(piece.data());
  command_argv.push_back(nullptr);
  const int status = wine().spawn(command_argv.data(), 1);

  // Text mode, as the MinGW driver writes both streams: lines end in CR LF.
  std::string shown;
  if (zeb::tools::is_path_query(arguments)) {
    zeb::tools::PathReport report = zeb::tools::windows_path_report(output.contents(), name_in_windows);
    if (!report.unnamed.empty()) return fail(report.unnamed + ": not on any drive");
    shown = std::move(report.text);
  } else {
    shown = zeb::tools::windows_messages(output.contents(), translation.mapped);
  }
  std::fwrite(shown.data(), 1, shown.size(), stdout);
  const std::string messages = zeb::tools::windows_messages(errors.contents(), translation.mapped);
  std::fwrite(messages.data(), 1, messages.size(), stderr);
  return status;
}
