// The one header through which zeb_c code reaches its host.
//
// On Windows it is <windows.h>. On POSIX it declares the subset of the Win32
// API that zeb_c uses, with the same names, types, constants and semantics;
// the implementation lives in platform/posix/, one file per concept.
// Either way the project's wrappers for C runtime calls that take a path
// follow, in namespace zeb::platform.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#else  // POSIX host

#include <cstdarg>
#include <cstdint>

// Win32 integer types have fixed widths: DWORD is 32 bits on every Windows
// target, so it cannot be `unsigned long` on an LP64 host.
using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using SIZE_T = std::size_t;
using LONGLONG = std::int64_t;
using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using PLONG = LONG*;

struct PlatformObject;  // platform/posix/handles.h
using HANDLE = PlatformObject*;
using HMODULE = struct ModuleTag*;
using HWND = struct WindowTag*;
using HGLOBAL = void*;

#define WINAPI
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(0xFFFFFFFFu))
#define INVALID_SET_FILE_POINTER (static_cast<DWORD>(0xFFFFFFFFu))
#define INFINITE 0xFFFFFFFFu
#define MAX_COMPUTERNAME_LENGTH 15

// File attributes.
#define FILE_ATTRIBUTE_READONLY 0x00000001u
#define FILE_ATTRIBUTE_HIDDEN 0x00000002u
#define FILE_ATTRIBUTE_SYSTEM 0x00000004u
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010u
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020u
#define FILE_ATTRIBUTE_DEVICE 0x00000040u
#define FILE_ATTRIBUTE_NORMAL 0x00000080u
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400u

// CreateFileA.
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u
#define FILE_SHARE_DELETE 0x00000004u
#define CREATE_NEW 1u
#define CREATE_ALWAYS 2u
#define OPEN_EXISTING 3u
#define OPEN_ALWAYS 4u
#define TRUNCATE_EXISTING 5u
#define FILE_BEGIN 0u
#define FILE_CURRENT 1u
#define FILE_END 2u

// LockFileEx and MoveFileExA.
#define LOCKFILE_FAIL_IMMEDIATELY 0x00000001u
#define LOCKFILE_EXCLUSIVE_LOCK 0x00000002u
#define MOVEFILE_REPLACE_EXISTING 0x00000001u
#define MOVEFILE_WRITE_THROUGH 0x00000008u

// GetDriveTypeA.
#define DRIVE_UNKNOWN 0u
#define DRIVE_NO_ROOT_DIR 1u
#define DRIVE_REMOVABLE 2u
#define DRIVE_FIXED 3u
#define DRIVE_REMOTE 4u
#define DRIVE_CDROM 5u
#define DRIVE_RAMDISK 6u

// Processes.
#define STARTF_USESHOWWINDOW 0x00000001u
#define STARTF_USESTDHANDLES 0x00000100u
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define STILL_ACTIVE 259u

// Messages, memory, message boxes.
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200u
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000u
#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_TOPMOST 0x00040000u
#define IDOK 1
#define IDCANCEL 2

// Last-error codes that the layer sets.
#define ERROR_SUCCESS 0u
#define ERROR_INVALID_FUNCTION 1u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_PATH_NOT_FOUND 3u
#define ERROR_TOO_MANY_OPEN_FILES 4u
#define ERROR_ACCESS_DENIED 5u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_NOT_ENOUGH_MEMORY 8u
#define ERROR_BAD_ENVIRONMENT 10u
#define ERROR_INVALID_DATA 13u
#define ERROR_OUTOFMEMORY 14u
#define ERROR_INVALID_DRIVE 15u
#define ERROR_CURRENT_DIRECTORY 16u
#define ERROR_NOT_SAME_DEVICE 17u
#define ERROR_NO_MORE_FILES 18u
#define ERROR_WRITE_PROTECT 19u
#define ERROR_NOT_READY 21u
#define ERROR_SHARING_VIOLATION 32u
#define ERROR_LOCK_VIOLATION 33u
#define ERROR_HANDLE_EOF 38u
#define ERROR_HANDLE_DISK_FULL 39u
#define ERROR_NOT_SUPPORTED 50u
#define ERROR_BAD_NETPATH 53u
#define ERROR_FILE_EXISTS 80u
#define ERROR_CANNOT_MAKE 82u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_BROKEN_PIPE 109u
#define ERROR_BUFFER_OVERFLOW 111u
#define ERROR_DISK_FULL 112u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_NAME 123u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_NEGATIVE_SEEK 131u
#define ERROR_DIR_NOT_EMPTY 145u
#define ERROR_NOT_LOCKED 158u
#define ERROR_BAD_PATHNAME 161u
#define ERROR_ALREADY_EXISTS 183u
#define ERROR_BAD_EXE_FORMAT 193u
#define ERROR_ENVVAR_NOT_FOUND 203u
#define ERROR_FILENAME_EXCED_RANGE 206u
#define ERROR_NO_DATA 232u
#define ERROR_MORE_DATA 234u
#define ERROR_DIRECTORY 267u
#define ERROR_MR_MID_NOT_FOUND 317u
#define ERROR_NOT_ENOUGH_QUOTA 1816u

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// Only Offset and OffsetHigh are read (the start of a locked range); the
// layer has no asynchronous file I/O, so hEvent is never used.
struct OVERLAPPED {
  std::uintptr_t Internal;
  std::uintptr_t InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};
using LPOVERLAPPED = OVERLAPPED*;

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAA = WIN32_FIND_DATAA*;

enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard };

// The identity of an open file. On POSIX the volume is the device number
// folded to 32 bits, the file index the inode, and the creation time the
// change time (as GetFileAttributesExA reports it): a file put in the place
// of another, or written, changes it whatever its write time says.
struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};
using LPBY_HANDLE_FILE_INFORMATION = BY_HANDLE_FILE_INFORMATION*;

struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
};

// Errors and tracing (posix/errors.cpp, posix/error_messages.cpp).
DWORD GetLastError();
void SetLastError(DWORD code);
void OutputDebugStringA(LPCSTR text);
DWORD FormatMessageA(DWORD flags, LPCVOID source, DWORD message_id, DWORD language_id,
                     LPSTR buffer, DWORD size, va_list* arguments);

// Memory (posix/memory.cpp).
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
HGLOBAL GlobalFree(HGLOBAL block);

// Message box (posix/message_box.cpp).
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// Module and environment (posix/module.cpp, posix/environment.cpp).
HMODULE GetModuleHandleA(LPCSTR module_name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR file_name, DWORD size);
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
BOOL SetEnvironmentVariableA(LPCSTR name, LPCSTR value);
BOOL GetComputerNameA(LPSTR buffer, LPDWORD size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
DWORD GetTempPathA(DWORD size, LPSTR buffer);

// Directories and file names (posix/directories.cpp, posix/file_names.cpp).
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);
BOOL CreateDirectoryA(LPCSTR path, LPSECURITY_ATTRIBUTES attributes);
BOOL RemoveDirectoryA(LPCSTR path);
HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
BOOL FindClose(HANDLE find);
DWORD GetFullPathNameA(LPCSTR file_name, DWORD size, LPSTR buffer, LPSTR* file_part);
UINT GetDriveTypeA(LPCSTR root);
UINT GetTempFileNameA(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR temp_file_name);

// Files (posix/files.cpp, posix/file_moves.cpp).
DWORD GetFileAttributesA(LPCSTR path);
BOOL GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID information);
BOOL SetFileAttributesA(LPCSTR path, DWORD attributes);
BOOL DeleteFileA(LPCSTR path);
BOOL MoveFileExA(LPCSTR existing, LPCSTR new_name, DWORD flags);
HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share_mode, LPSECURITY_ATTRIBUTES attributes,
                   DWORD creation, DWORD flags, HANDLE template_file);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distance_high, DWORD method);
BOOL SetEndOfFile(HANDLE file);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD to_read, LPDWORD read, void* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD to_write, LPDWORD written, void* overlapped);
BOOL CloseHandle(HANDLE object);
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);

// Byte-range locks (posix/file_locks.cpp).
BOOL LockFileEx(HANDLE file, DWORD flags, DWORD reserved, DWORD bytes_low, DWORD bytes_high,
                LPOVERLAPPED overlapped);
BOOL UnlockFileEx(HANDLE file, DWORD reserved, DWORD bytes_low, DWORD bytes_high,
                  LPOVERLAPPED overlapped);

// Processes and pipes (posix/processes.cpp, posix/pipes.cpp).
BOOL CreatePipe(HANDLE* read_end, HANDLE* write_end, LPSECURITY_ATTRIBUTES attributes, DWORD size);
BOOL CreateProcessA(LPCSTR application_name, LPSTR command_line,
                    LPSECURITY_ATTRIBUTES process_attributes,
                    LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles,
                    DWORD creation_flags, LPVOID environment, LPCSTR current_directory,
                    LPSTARTUPINFOA startup_info, LPPROCESS_INFORMATION process_information);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exit_code);
DWORD GetCurrentProcessId();

// Time (posix/time.cpp).
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
void GetSystemTimeAsFileTime(FILETIME* now);

#endif  // POSIX host

namespace zeb::platform {

// The C runtime's fopen for a Windows-form path. On POSIX the path is mapped
// to the host and the layer's read-only and sharing rules apply; the stream
// then behaves as the runtime's own. Returns null on failure.
std::FILE* open_stream(const char* path, const char* mode);

// Creates the directory `path` for this user alone (on POSIX mode 0700; on
// Windows it takes the access of the directory above it, which for a user's
// LOCALAPPDATA is that user's alone). False when it cannot be made.
bool create_private_directory(const char* path);

// True when the directory `path` (where it leads, if a link) is this user's
// own and nobody else may change what is in it: on POSIX owned by the
// effective user and writable by neither group nor others. On Windows always
// true for an existing directory: a user's LOCALAPPDATA is theirs by its access
// control list.
bool is_private_directory(const char* path);

// A new file at `path`, opened for writing in binary: null when anything
// already has that name, a link (even a dangling one) included, so that what
// is written can reach no other file. Remove a stale one first.
std::FILE* create_new_stream(const char* path);

// The C runtime's remove for a Windows-form path: 0 on success, non-zero on
// failure (a read-only file cannot be removed).
int remove_file(const char* path);

// GetFullPathNameA into a text of whatever length it needs: the path made
// absolute against the current directory (for "c:x", drive C's), "." and
// ".." resolved; nothing when the system cannot.
std::optional<std::string> full_path(const std::string& path);

// The full path of the file CreateProcessA starts for a command line whose
// first token is the bare program name `name` (no path): the same search in
// the same order (the executable's directory, the current directory, on
// Windows the system directories, then each PATH entry; ".exe" added). Nothing
// when that search finds no file.
std::optional<std::string> program_file(const std::string& name);

// The Windows form of a path that the host's own libraries report (for tests
// and tools that create files through std::filesystem): on POSIX "/tmp/x"
// becomes "C:\tmp\x"; on Windows the path is returned unchanged.
std::string windows_path_from_host(const std::string& host_path);

// A path argument as the user typed it at this host's command line, in the
// Windows form the rest of zeb_c works with: on Windows '/' becomes '\'; on
// POSIX '/' separates too and a leading '/' is the root of drive C:
// ("/home/me/x.zebc" is "C:\home\me\x.zebc"). See
// windows_form_of_typed_path in platform/portable/path_text.h. A path that
// begins with the host's "./" or "../" (on Windows also ".\" or "..\")
// comes back as the full path it names from the current directory.
std::string windows_path_from_typed(const std::string& typed);

// The full path `path` (Windows form) with every link on the way resolved,
// as the system reaches the file: on POSIX its real path, so that a script
// reached through a link (~/bin/tool to ~/proj/tool) is the file it leads
// to. Unchanged when it cannot be resolved, and on Windows.
std::string resolve_links(const std::string& path);

// False when the file a path typed at this host's command line names is not
// the one the Windows rules would reach: on POSIX a final name ending in dots
// or blanks ("x.zebc.", "x.zebc "), which those rules drop, so that another
// file would be run. Always true on Windows, where both are the same file.
bool typed_path_is_exact(const std::string& typed);

// While it lives, the program `process` (started by this process on its
// console) is the one in the foreground, as a shell has it: what the
// terminal sends is the program's to handle, and this process only waits.
// The interrupt keys (Ctrl-C and Ctrl-Break; on POSIX SIGINT and SIGQUIT)
// are ignored here; on POSIX a request to end this process (SIGTERM, SIGHUP)
// is passed on to the program, whose end this process then reports. Undone
// when it goes. One at a time.
class ForegroundProgram {
 public:
  explicit ForegroundProgram(DWORD process_id);
  ~ForegroundProgram();
  ForegroundProgram(const ForegroundProgram&) = delete;
  ForegroundProgram& operator=(const ForegroundProgram&) = delete;
};

// CreateProcessA (no creation flags, no environment block) for a child that
// must never outlive this process, as a compile must not: whatever it would
// write later could pass for a newer compile's work. On Windows it runs, with
// everything it starts, in a job that ends when this process ends, however
// it ends. On POSIX it leads a process group of its own, which a TiedChild
// ends with this process, and the kernel sends it SIGKILL should this process
// die without a word (SIGKILL, the OOM killer).
BOOL create_tied_process(LPSTR command_line, LPCSTR current_directory, BOOL inherit_handles,
                         LPSTARTUPINFOA startup_info, LPPROCESS_INFORMATION process_information);

// CreateProcessA (no creation flags, no environment block) for the program a
// user runs: on POSIX its argv[0] is the host path of the file started, as a
// POSIX program expects to find itself (and to name itself in its usage)
// by; on Windows the first word of the command line, as ever.
BOOL create_program_process(LPSTR command_line, LPCSTR current_directory, BOOL inherit_handles,
                            LPSTARTUPINFOA startup_info, LPPROCESS_INFORMATION process_information);

// While it lives, a signal that ends this process (SIGINT, SIGQUIT, SIGTERM,
// SIGHUP) first goes to the process group of the child started by
// create_tied_process, which is woken should it be stopped; then this
// process ends by that signal as it would have. Nothing on Windows, where the
// job does it. One at a time.
class TiedChild {
 public:
  explicit TiedChild(DWORD process_id);
  ~TiedChild();
  TiedChild(const TiedChild&) = delete;
  TiedChild& operator=(const TiedChild&) = delete;
};

// Holds back the signals that end this process (POSIX: blocks SIGINT,
// SIGQUIT, SIGTERM, SIGHUP) from its making until release() or its end, so
// that none arrives between a child's start and the handling set up for it
// (ForegroundProgram, TiedChild); what arrived meanwhile is then handled.
// Children start with none of them blocked. Nothing on Windows.
class SignalsHeld {
 public:
  SignalsHeld();
  ~SignalsHeld() { release(); }
  void release();
  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  bool held_ = false;
};

// Called at the very end of this process (registered first with atexit, so
// that it runs after every other exit handler): when the last program run in
// the foreground was ended by a signal, this process ends by the same signal,
// after flushing its streams, so that a shell or make sees what it would have
// seen without it (a shell loop stops at a Ctrl-C). Otherwise, and on
// Windows, it returns.
void end_as_foreground_program_ended();

}  // namespace zeb::platform
