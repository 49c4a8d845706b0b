#include "cache/process_runner.h"

#include <algorithm>
#include <array>
#include <memory>
#include <cstdio>
#include <string>
#include <optional>
#include <vector>

#include "platform/win32.h"

namespace zeb::cache {
namespace {

// A kernel handle closed at most once, when it goes out of scope or earlier.
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() { close(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }
  void close() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// Every byte of the pipe, chunk by chunk, appended to the capture file until
// the pipe reports its end (or any other read failure). A chunk that cannot
// be appended is dropped and reading goes on, so the writer is never left
// blocked on a full pipe.
// Returns false when some chunk could not be appended.
bool drain_into(HANDLE read_end, const char* capture_path) {
  bool complete = true;
  std::array<char, kOutputChunkSize> chunk{};
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(read_end, chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr)) break;
    // A zero-byte write on the other side reads as an empty success; it must
    // not create the capture file of a child that wrote nothing.
    if (got == 0) continue;
    if (write_file(capture_path, chunk.data(), static_cast<std::int32_t>(got), kWriteAppend, 0) != kWriteOk) {
      complete = false;
    }
  }
  return complete;
}

}  // namespace

std::uint32_t run_captured(const char* command_line, const char* working_directory,
                           std::int32_t* started, const char* capture_path,
                           bool* capture_complete, const std::function<void()>& on_started) {
  if (capture_complete != nullptr) *capture_complete = true;
  if (capture_path != nullptr) platform::remove_file(capture_path);

  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof inheritable;
  inheritable.lpSecurityDescriptor = nullptr;
  inheritable.bInheritHandle = TRUE;

  OwnedHandle output_read, output_write, input_read, input_write;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (capture_path != nullptr) {
    // Failures are not examined: the child then simply has no usable
    // standard handles and nothing is captured.
    CreatePipe(output_read.out(), output_write.out(), &inheritable, 0);
    CreatePipe(input_read.out(), input_write.out(), &inheritable, 0);
    // Nothing is ever written to the child's input. Closing our end before
    // the child exists keeps it from inheriting a writer of its own input, so
    // a child that reads standard input meets its end instead of waiting for
    // ever.
    input_write.close();
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = input_read.get();
    startup.hStdOutput = output_write.get();
    startup.hStdError = output_write.get();
  } else {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
  }

  // CreateProcessA may write into the command line, so it gets a private
  // copy of whatever length.
  const std::string command = command_line != nullptr ? command_line : "";
  std::vector<char> writable(command.begin(), command.end());
  writable.push_back('\0');

  // Nothing that would end this process may arrive before what it does to
  // the child is in place.
  platform::SignalsHeld held;
  PROCESS_INFORMATION process{};
  // A captured child is a tool's (the compiler's) and never outlives this
  // run; the program shares the console and is the user's.
  const BOOL created =
      capture_path != nullptr
          ? platform::create_tied_process(writable.data(), working_directory, TRUE, &startup, &process)
          : platform::create_program_process(writable.data(), working_directory, TRUE, &startup, &process);
  OwnedHandle process_handle(created ? process.hProcess : nullptr);
  OwnedHandle thread_handle(created ? process.hThread : nullptr);
  // A child on this console is the program in the foreground: the keys that
  // interrupt are its to answer, and this process waits for its end.
  std::optional<platform::ForegroundProgram> foreground;
  std::optional<platform::TiedChild> tied;
  if (created && capture_path == nullptr) foreground.emplace(process.dwProcessId);
  if (created && capture_path != nullptr) tied.emplace(process.dwProcessId);
  held.release();
  if (created && on_started) on_started();

  if (capture_path != nullptr) {
    // Only the child (and whatever inherits from it) may hold the writing
    // end now, so the pipe ends when the last of them lets go of it.
    output_write.close();
    input_read.close();
    const bool complete = drain_into(output_read.get(), capture_path);
    if (capture_complete != nullptr && !complete) *capture_complete = false;
    output_read.close();
  }

  if (started != nullptr) *started = created ? 1 : 0;
  if (!created) return kNotStartedStatus;

  // A wait that fails rather than times out would fail again on every
  // retry, so it ends the wait; the exit code then reads as whatever the
  // platform reports (STILL_ACTIVE for a process it still sees running).
  while (WaitForSingleObject(process_handle.get(), kChildWaitMilliseconds) == WAIT_TIMEOUT) {
  }
  DWORD exit_code = kNotStartedStatus;
  if (!GetExitCodeProcess(process_handle.get(), &exit_code)) exit_code = kNotStartedStatus;
  return exit_code;
}

int write_file(const char* path, const void* data, std::int32_t length, std::int32_t mode,
               std::uint32_t size_limit) {
  if (length < 0 || (data == nullptr && length > 0)) return kWriteShort;
  const char* stream_mode = mode == kWriteAppend ? "ab" : "wb";

  const DWORD attributes = GetFileAttributesA(path);
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    DWORD writable = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    // Zero would mean "leave the attributes alone" to the layer below.
    if (writable == 0) writable = FILE_ATTRIBUTE_NORMAL;
    SetFileAttributesA(path, writable);
  }

  // A missing file has no size to limit.
  const std::int32_t size = exists && size_limit != 0 ? file_size(path) : 0;
  if (size != 0 && static_cast<std::uint32_t>(size) > size_limit) {
    platform::remove_file(path);
  }

  std::FILE* stream = platform::open_stream(path, stream_mode);
  if (stream == nullptr) return kWriteOpenFailed;
  const std::size_t wanted = static_cast<std::size_t>(length);
  const std::size_t written = wanted == 0 ? 0 : std::fwrite(data, 1, wanted, stream);
  const bool flushed = std::fclose(stream) == 0;
  return written < wanted || !flushed ? kWriteShort : kWriteOk;
}

std::int32_t file_size(const char* path) {
  std::FILE* stream = platform::open_stream(path, "rb");
  if (stream == nullptr) return 0;
  std::int32_t size = 0;
  // Where `long` has 32 bits the runtime reports the end of a larger file
  // wrapped or not at all, so a byte at the ceiling's offset is looked for
  // first: its presence means the size does not fit.
  // Where `long` is wider, ftell tells any size and no probe is needed.
  if (sizeof(long) <= sizeof(std::int32_t) &&
      std::fseek(stream, static_cast<long>(kFileSizeCeiling), SEEK_SET) == 0 &&
      std::fgetc(stream) != EOF) {
    size = kFileSizeCeiling;
  } else if (std::fseek(stream, 0, SEEK_END) == 0) {
    const long end = std::ftell(stream);
    if (end > 0) size = static_cast<std::int32_t>(end < kFileSizeCeiling ? end : kFileSizeCeiling);
  }
  std::fclose(stream);
  return size;
}

std::string read_file_start(const std::string& path, std::size_t limit) {
  std::FILE* raw = platform::open_stream(path.c_str(), "rb");
  if (raw == nullptr) return {};
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(raw, std::fclose);
  std::string text;
  std::array<char, kOutputChunkSize> chunk{};
  while (text.size() < limit) {
    const std::size_t wanted = std::min(chunk.size(), limit - text.size());
    const std::size_t got = std::fread(chunk.data(), 1, wanted, in.get());
    text.append(chunk.data(), got);
    // A short read has met the end: asking again would cost a read for nothing.
    if (got < wanted) break;
  }
  return text;
}

}  // namespace zeb::cache
