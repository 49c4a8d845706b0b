// POSIX host: anonymous pipes.
// Each end is a host pipe descriptor, close-on-exec like every descriptor of
// the layer; a child receives one only as a standard handle or by inheritance.
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <memory>

#include "platform/posix/handles.h"

using zeb::platform::posix::fail;
using zeb::platform::posix::fail_handle;

namespace {

class PipeEnd final : public PlatformObject {
 public:
  PipeEnd(int fd, bool reads) : fd_(fd), reads_(reads) {}
  ~PipeEnd() override { ::close(fd_); }

  BOOL read(void* buffer, DWORD to_read, DWORD* read_count) override;
  BOOL write(const void* buffer, DWORD to_write, DWORD* written) override;
  int descriptor() const override { return fd_; }

 private:
  int fd_;
  bool reads_;
};

BOOL PipeEnd::read(void* buffer, DWORD to_read, DWORD* read_count) {
  if (read_count != nullptr) *read_count = 0;
  if (!reads_) return fail(ERROR_ACCESS_DENIED);
  if (to_read == 0) return TRUE;
  if (buffer == nullptr) return fail(ERROR_INVALID_PARAMETER);
  ssize_t got;
  do {
    got = ::read(fd_, buffer, to_read);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return fail(ERROR_INVALID_HANDLE);
  // End of data: every write end, here and in children, has been closed.
  if (got == 0) return fail(ERROR_BROKEN_PIPE);
  if (read_count != nullptr) *read_count = static_cast<DWORD>(got);
  return TRUE;
}

// Writes everything, as a blocking Windows pipe does. A write to a pipe
// without readers must fail with an error, not kill the process: SIGPIPE is
// held back for this thread and a signal raised by our own write discarded.
BOOL PipeEnd::write(const void* buffer, DWORD to_write, DWORD* written) {
  if (written != nullptr) *written = 0;
  if (reads_) return fail(ERROR_ACCESS_DENIED);
  if (to_write == 0) return TRUE;
  if (buffer == nullptr) return fail(ERROR_INVALID_PARAMETER);

  sigset_t pipe_signal;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  sigset_t old_mask;
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &old_mask);
  sigset_t pending;
  sigpending(&pending);
  const bool was_pending = sigismember(&pending, SIGPIPE) == 1;

  const char* bytes = static_cast<const char*>(buffer);
  DWORD done = 0;
  DWORD error = ERROR_SUCCESS;
  while (done < to_write) {
    const ssize_t put = ::write(fd_, bytes + done, to_write - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      error = errno == EPIPE ? ERROR_NO_DATA : ERROR_INVALID_HANDLE;
      break;
    }
    done += static_cast<DWORD>(put);
  }

  if (error == ERROR_NO_DATA && !was_pending) {
    const timespec no_wait{};
    while (sigtimedwait(&pipe_signal, nullptr, &no_wait) < 0 && errno == EINTR) {
    }
  }
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);

  if (written != nullptr) *written = done;
  if (error != ERROR_SUCCESS) return fail(error);
  return TRUE;
}

}  // namespace

BOOL CreatePipe(HANDLE* read_end, HANDLE* write_end, LPSECURITY_ATTRIBUTES attributes, DWORD size) {
  if (read_end == nullptr || write_end == nullptr) return fail(ERROR_INVALID_PARAMETER);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    return fail(errno == EMFILE || errno == ENFILE ? ERROR_TOO_MANY_OPEN_FILES
                                                   : ERROR_NOT_ENOUGH_MEMORY);
  }
  // The size is a hint on Windows too; the host may round or refuse it.
  if (size != 0)
    ::fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(size > 0x7fffffffu ? 0x7fffffffu : size));

  const bool inheritable = attributes != nullptr && attributes->bInheritHandle != FALSE;
  auto reader = std::make_unique<PipeEnd>(fds[0], true);
  auto writer = std::make_unique<PipeEnd>(fds[1], false);
  reader->inheritable = inheritable;
  writer->inheritable = inheritable;
  *read_end = zeb::platform::posix::register_handle(std::move(reader));
  *write_end = zeb::platform::posix::register_handle(std::move(writer));
  return TRUE;
}
