// Stands in for the MinGW gcc driver in the Windows builds when they run under
// Wine, installed as mingw\bin\gcc.exe beside zeb_c.exe: it answers "gcc -v"
// in the MinGW driver's words and hands every other command line, its paths
// mapped, to the Linux MinGW cross compiler.
//
// A Windows process under Wine that starts a Linux program through
// CreateProcess gets no handle to wait on and loses the child's exit status
// and output, so the compiler is started through Wine's own exports instead:
// ntdll's __wine_unix_spawnvp (starts, waits, returns the status) and
// kernel32's path mappers. They exist only under Wine, and are looked up at
// run time; without them the stand-in says so and fails.
#include <windows.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gcc_arguments.h"

#ifndef ZEB_CROSS_CC
#error "ZEB_CROSS_CC must name the Linux MinGW cross compiler"
#endif
#ifndef ZEB_CROSS_CC_VERSION
#error "ZEB_CROSS_CC_VERSION must give the cross compiler's version"
#endif
#ifndef ZEB_CROSS_LIBRARY_DIR
#error "ZEB_CROSS_LIBRARY_DIR must name the cross toolchain's library directory"
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

// Whether the cross toolchain holds the import library of a "-l" option.
bool library_present(std::string_view name) {
  static const std::wstring directory = [] {
    const HeapText dos{wine().dos_name(ZEB_CROSS_LIBRARY_DIR)};
    return dos.text != nullptr ? std::wstring(static_cast<const WCHAR*>(dos.text)) : std::wstring();
  }();
  if (directory.empty()) return false;
  const std::wstring library = directory + L"\\lib" + widened(name) + L".a";
  return GetFileAttributesW(library.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh, empty file for the compiler's messages, in Windows form.
std::string capture_file() {
  std::array<char, MAX_PATH + 1> directory{};
  std::array<char, MAX_PATH + 1> file{};
  const DWORD length = GetTempPathA(MAX_PATH, directory.data());
  if (length == 0 || length > MAX_PATH) return {};
  if (GetTempFileNameA(directory.data(), "zgc", 0, file.data()) == 0) return {};
  return file.data();
}

int fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "gcc: %s%s\n", what, detail.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (zeb::tools::is_version_query(arguments)) {
    const std::string report = zeb::tools::version_report(ZEB_CROSS_CC, ZEB_CROSS_CC_VERSION);
    std::fputs(report.c_str(), stderr);
    return 0;
  }
  if (wine().spawn == nullptr || wine().unix_name == nullptr || wine().dos_name == nullptr) {
    return fail("this stand-in runs only under Wine, whose exports it needs: ",
                "__wine_unix_spawnvp, wine_get_unix_file_name, wine_get_dos_file_name");
  }

  const zeb::tools::Translation translation =
      zeb::tools::translate_cross_arguments(arguments, map_to_unix, library_present);
  if (!translation.unmapped.empty()) return fail(translation.unmapped.c_str(), ": no such directory");
  const std::string capture = capture_file();
  std::string capture_unix;
  if (capture.empty() || !map_to_unix(capture, capture_unix)) {
    return fail("cannot create a file for the compiler's messages", "");
  }

  std::vector<std::string> command =
      zeb::tools::captured_shell_command(ZEB_CROSS_CC, capture_unix, translation.arguments);
  std::vector<char*> command_argv;
  for (std::string& piece : command) command_argv.push_back(piece.data());
  command_argv.push_back(nullptr);
  const int status = wine().spawn(command_argv.data(), 1);

  std::string messages;
  {
    std::ifstream in(capture, std::ios::binary);
    messages.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  DeleteFileA(capture.c_str());
  // Text mode, as the MinGW driver writes them: lines end in CR LF.
  const std::string shown = zeb::tools::windows_messages(messages, translation.mapped);
  std::fwrite(shown.data(), 1, shown.size(), stderr);
  return status;
}
