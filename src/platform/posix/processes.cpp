// POSIX host: child processes, their waits and exit codes.
// A child is vfork + exec of the program Windows would pick; nothing counts as
// started unless exec succeeded. A child killed by signal N ends with 128 + N.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/portable/command_line.h"
#include "platform/posix/handles.h"
#include "platform/posix/path_mapping.h"
#include "platform/posix/program_search.h"
#include "platform/posix/signals.h"

extern char** environ;

using zeb::platform::posix::fail;
using zeb::platform::posix::fail_handle;

namespace {

// Windows refuses longer command lines (32,767 characters with the
// terminator); so does this layer, rather than let the host decide.
constexpr std::size_t kMaxCommandLine = 32767;

constexpr DWORD kSignalExitBase = 128;

// The end of one child, shared by its process and thread handles. The child
// is reaped as soon as its end is seen; one whose handles all close while it
// still runs is reaped by a detached waiter, so no zombie outlives it.
class ChildState {
 public:
  explicit ChildState(pid_t pid) : pid_(pid) {}
  ChildState(const ChildState&) = delete;
  ChildState& operator=(const ChildState&) = delete;
  ~ChildState();

  pid_t pid() const { return pid_; }
  // True (and the exit code set) once the child has ended.
  bool ended(DWORD* exit_code);
  // Waits up to `milliseconds` (INFINITE: for ever); true when it ended.
  bool wait(DWORD milliseconds);

 private:
  bool reap(bool block);  // caller holds lock_

  const pid_t pid_;
  std::mutex lock_;
  bool ended_ = false;
  DWORD exit_code_ = STILL_ACTIVE;
};

DWORD exit_code_from_status(pid_t pid, int status) {
  if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) {
    zeb::platform::posix::note_signalled_child(pid, WTERMSIG(status));
    return kSignalExitBase + static_cast<DWORD>(WTERMSIG(status));
  }
  return 1;
}

bool ChildState::reap(bool block) {
  if (ended_) return true;
  int status = 0;
  pid_t got;
  do {
    got = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (got < 0 && errno == EINTR);
  if (got == pid_) {
    ended_ = true;
    exit_code_ = exit_code_from_status(pid_, status);
  } else if (got < 0) {
    // Someone else reaped it (ECHILD): its status is lost, but it has ended.
    ended_ = true;
    exit_code_ = 1;
  }
  return ended_;
}

ChildState::~ChildState() {
  std::lock_guard<std::mutex> guard(lock_);
  if (reap(false)) return;
  const pid_t pid = pid_;
  try {
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (...) {
    // Without a thread the child stays a zombie until this process ends.
  }
}

bool ChildState::ended(DWORD* exit_code) {
  std::lock_guard<std::mutex> guard(lock_);
  const bool done = reap(false);
  if (exit_code != nullptr) *exit_code = done ? exit_code_ : STILL_ACTIVE;
  return done;
}

// Waits for `pid` to become reapable for up to `milliseconds`, without
// reaping it: through a pidfd where the kernel has them, else by polling.
void wait_until_ended(pid_t pid, DWORD milliseconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
#ifdef SYS_pidfd_open
  const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  if (pidfd >= 0) {
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) break;
      pollfd watch{pidfd, POLLIN, 0};
      const int slice = static_cast<int>(std::min<long long>(left.count(), 1'000'000));
      const int ready = poll(&watch, 1, slice);
      if (ready > 0) break;
      if (ready < 0 && errno != EINTR) break;
    }
    close(pidfd);
    return;
  }
#endif
  for (;;) {
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return;
    if (info.si_pid == pid) return;
    if (Clock::now() >= deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool ChildState::wait(DWORD milliseconds) {
  std::lock_guard<std::mutex> guard(lock_);
  if (reap(false)) return true;
  if (milliseconds == INFINITE) return reap(true);
  if (milliseconds == 0) return false;
  wait_until_ended(pid_, milliseconds);
  return reap(false);
}

// What a process handle and its thread handle have in common.
struct ChildObject : PlatformObject {
  explicit ChildObject(std::shared_ptr<ChildState> child) : state(std::move(child)) {}
  std::shared_ptr<ChildState> state;
};

struct ProcessObject final : ChildObject {
  using ChildObject::ChildObject;
};

// The child's only thread ends with it.
struct ThreadObject final : ChildObject {
  using ChildObject::ChildObject;
};

// A descriptor that closes itself.
class Descriptor {
 public:
  Descriptor() = default;
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { reset(); }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int get() const { return fd_; }

 private:
  int fd_ = -1;
};

// Copies of the three standard descriptors a child gets, numbered above 2 so
// that moving them into place cannot overwrite one another. A handle that is
// missing or has no descriptor gives the child /dev/null.
bool prepare_standard_descriptors(const STARTUPINFOA& startup, std::array<Descriptor, 3>& out) {
  const std::array<HANDLE, 3> handles = {startup.hStdInput, startup.hStdOutput, startup.hStdError};
  const DWORD saved_error = GetLastError();
  for (std::size_t i = 0; i < handles.size(); ++i) {
    int source = -1;
    if (handles[i] != nullptr && handles[i] != INVALID_HANDLE_VALUE) {
      if (PlatformObject* object = zeb::platform::posix::lookup_handle(handles[i])) {
        source = object->descriptor();
      }
    }
    Descriptor null_device;
    if (source < 0) {
      null_device.reset(::open("/dev/null", O_RDWR | O_CLOEXEC));
      source = null_device.get();
      if (source < 0) return false;
    }
    out[i].reset(::fcntl(source, F_DUPFD_CLOEXEC, 3));
    if (out[i].get() < 0) return false;
  }
  SetLastError(saved_error);
  return true;
}

void collect_inheritable(PlatformObject& object, void* context) {
  const int fd = object.descriptor();
  if (object.inheritable && fd >= 0) static_cast<std::vector<int>*>(context)->push_back(fd);
}

// How the child reports a failure before or at exec: the stage and errno.
enum ChildStage : int { kStageDirectory = 1, kStageDescriptors = 2, kStageExec = 3 };

// Why a child did not reach its program. A vforked child runs in our memory
// until it execs or exits, so it leaves the reason here, where we read it
// once vfork returns: no pipe to open, read and close on every start.
struct ChildFailure {
  int stage = 0;
  int error_number = 0;
};

[[noreturn]] void child_fail(volatile ChildFailure& failure, int stage) {
  failure.error_number = errno;
  failure.stage = stage;
  _exit(127);
}

DWORD error_for_child_failure(int stage, int error_number) {
  if (stage == kStageDirectory) return ERROR_DIRECTORY;
  if (stage == kStageExec) {
    switch (error_number) {
      case ENOEXEC:
      case ELIBBAD:
      case EINVAL:
        return ERROR_BAD_EXE_FORMAT;
      case EACCES:
      case EPERM:
      case EISDIR:
        return ERROR_ACCESS_DENIED;
      case ENOENT:
        return ERROR_FILE_NOT_FOUND;
      case E2BIG:
        return ERROR_FILENAME_EXCED_RANGE;
      default:
        break;
    }
  }
  return zeb::platform::posix::error_from_errno(error_number);
}

// What kind of child: any, tied to this process (create_tied_process), or the
// user's program (create_program_process).
enum class ChildKind { Plain, Tied, Program };

struct LaunchPlan {
  bool tied = false;                   // see create_tied_process
  pid_t parent = 0;
  std::string program;                 // host path
  std::vector<std::string> arguments;  // argv, argv[0] the first token
  std::string directory;               // host path, empty: ours
  bool use_std_handles = false;
  std::array<Descriptor, 3> std_descriptors;
  std::vector<int> inherited;
};

// Forks and execs; returns the child's pid, or -1 with the last error set.
pid_t launch(LaunchPlan& plan) {
  std::vector<char*> argv;
  argv.reserve(plan.arguments.size() + 1);
  for (std::string& argument : plan.arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  volatile ChildFailure failure;

  // vfork: the child only moves descriptors, changes directory and execs, so
  // it can borrow our memory until then instead of copying our page tables.
  const pid_t pid = vfork();
  if (pid < 0) {
    SetLastError(errno == EAGAIN ? ERROR_NOT_ENOUGH_QUOTA : ERROR_NOT_ENOUGH_MEMORY);
    return -1;
  }
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    // A Windows program has no signal mask: whatever this process holds back
    // while it starts one is not the program's to inherit.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    if (plan.tied) {
      setpgid(0, 0);
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      // Should this process have died before the request took, it would never come.
      if (getppid() != plan.parent) _exit(127);
    }
    if (plan.use_std_handles) {
      for (int target = 0; target < 3; ++target) {
        if (dup2(plan.std_descriptors[static_cast<std::size_t>(target)].get(), target) < 0) {
          child_fail(failure, kStageDescriptors);
        }
      }
    }
    for (int fd : plan.inherited) {
      if (fcntl(fd, F_SETFD, 0) != 0) child_fail(failure, kStageDescriptors);
    }
    if (!plan.directory.empty() && chdir(plan.directory.c_str()) != 0) {
      child_fail(failure, kStageDirectory);
    }
    execve(plan.program.c_str(), argv.data(), environ);
    child_fail(failure, kStageExec);
  }

  // Our turn comes once the child has exec'd (the program runs) or exited.
  if (failure.stage == 0) return pid;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  SetLastError(error_for_child_failure(failure.stage, failure.error_number));
  return -1;
}

}  // namespace

namespace {

BOOL create_process(LPCSTR application_name, LPSTR command_line, BOOL inherit_handles, LPVOID environment,
                    LPCSTR current_directory, LPSTARTUPINFOA startup_info,
                    LPPROCESS_INFORMATION process_information, ChildKind kind) {
  const bool tied = kind == ChildKind::Tied;
  if (startup_info == nullptr || process_information == nullptr || environment != nullptr) {
    return fail(ERROR_INVALID_PARAMETER);
  }
  if (application_name == nullptr && command_line == nullptr) return fail(ERROR_INVALID_PARAMETER);
  // Without a command line Windows passes the application name as one.
  const std::string_view line = command_line != nullptr ? command_line : application_name;
  if (line.size() >= kMaxCommandLine) return fail(ERROR_FILENAME_EXCED_RANGE);

  LaunchPlan plan;
  plan.tied = tied;
  if (tied) plan.parent = getpid();
  plan.arguments = zeb::platform::split_command_line(line);
  DWORD found;
  if (application_name != nullptr) {
    found = zeb::platform::posix::find_application(application_name, plan.program);
  } else if (plan.arguments.empty()) {
    found = ERROR_FILE_NOT_FOUND;
  } else {
    found = zeb::platform::posix::find_program(plan.arguments.front(), plan.program);
  }
  if (found != ERROR_SUCCESS) return fail(found);
  if (plan.arguments.empty()) plan.arguments.emplace_back(application_name);
  if (kind == ChildKind::Program) plan.arguments.front() = plan.program;

  if (current_directory != nullptr) {
    zeb::platform::posix::FinalEntry entry;
    struct stat info {};
    if (zeb::platform::posix::host_path_for(current_directory, plan.directory, entry) !=
            ERROR_SUCCESS ||
        zeb::platform::posix::final_stat(plan.directory, entry, info) != 0 ||
        !S_ISDIR(info.st_mode)) {
      return fail(ERROR_DIRECTORY);
    }
  }
  if ((startup_info->dwFlags & STARTF_USESTDHANDLES) != 0) {
    plan.use_std_handles = true;
    if (!prepare_standard_descriptors(*startup_info, plan.std_descriptors)) {
      return fail(ERROR_TOO_MANY_OPEN_FILES);
    }
  }
  if (inherit_handles != FALSE) {
    zeb::platform::posix::visit_handles(collect_inheritable, &plan.inherited);
  }

  const pid_t pid = launch(plan);
  if (pid < 0) return FALSE;

  auto state = std::make_shared<ChildState>(pid);
  process_information->hProcess =
      zeb::platform::posix::register_handle(std::make_unique<ProcessObject>(state));
  process_information->hThread =
      zeb::platform::posix::register_handle(std::make_unique<ThreadObject>(state));
  process_information->dwProcessId = static_cast<DWORD>(pid);
  process_information->dwThreadId = static_cast<DWORD>(pid);
  return TRUE;
}

}  // namespace

// Environment blocks and creation flags beyond the defaults are not
// emulated: a child always gets this process's environment and console.
BOOL CreateProcessA(LPCSTR application_name, LPSTR command_line, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL inherit_handles, DWORD, LPVOID environment,
                    LPCSTR current_directory, LPSTARTUPINFOA startup_info,
                    LPPROCESS_INFORMATION process_information) {
  return create_process(application_name, command_line, inherit_handles, environment, current_directory,
                        startup_info, process_information, ChildKind::Plain);
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

namespace zeb::platform {

BOOL create_tied_process(LPSTR command_line, LPCSTR current_directory, BOOL inherit_handles,
                         LPSTARTUPINFOA startup_info, LPPROCESS_INFORMATION process_information) {
  return create_process(nullptr, command_line, inherit_handles, nullptr, current_directory, startup_info,
                        process_information, ChildKind::Tied);
}

BOOL create_program_process(LPSTR command_line, LPCSTR current_directory, BOOL inherit_handles,
                            LPSTARTUPINFOA startup_info, LPPROCESS_INFORMATION process_information) {
  return create_process(nullptr, command_line, inherit_handles, nullptr, current_directory, startup_info,
                        process_information, ChildKind::Program);
}

}  // namespace zeb::platform

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) {
  auto* child = zeb::platform::posix::lookup_as<ChildObject>(object);
  if (child == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  // The state is held here too, so a CloseHandle meanwhile cannot free it.
  const std::shared_ptr<ChildState> state = child->state;
  return state->wait(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exit_code) {
  auto* child = zeb::platform::posix::lookup_as<ProcessObject>(process);
  if (child == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (exit_code == nullptr) return fail(ERROR_INVALID_PARAMETER);
  child->state->ended(exit_code);
  return TRUE;
}
