// Windows host: the children this process starts. Those tied to it end with
// it: a job object that kills its processes when its last handle closes holds
// them, and this process keeps that handle until it ends, however it ends.
#include "platform/win32.h"

namespace zeb::platform {
namespace {

// Made once; null when the system refuses (the child then runs untied, as
// any child of a process that cannot have jobs).
HANDLE tied_job() {
  static const HANDLE job = [] {
    const HANDLE made = CreateJobObjectA(nullptr, nullptr);
    if (made == nullptr) return made;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
      CloseHandle(made);
      return HANDLE{nullptr};
    }
    return made;
  }();
  return job;
}

}  // namespace

BOOL create_tied_process(LPSTR command_line, LPCSTR current_directory, BOOL inherit_handles,
                         LPSTARTUPINFOA startup_info, LPPROCESS_INFORMATION process_information) {
  // Suspended until it is in the job, so that nothing it starts escapes it.
  if (!CreateProcessA(nullptr, command_line, nullptr, nullptr, inherit_handles, CREATE_SUSPENDED, nullptr,
                      current_directory, startup_info, process_information)) {
    return FALSE;
  }
  if (const HANDLE job = tied_job()) AssignProcessToJobObject(job, process_information->hProcess);
  ResumeThread(process_information->hThread);
  return TRUE;
}

BOOL create_program_process(LPSTR command_line, LPCSTR current_directory, BOOL inherit_handles,
                            LPSTARTUPINFOA startup_info, LPPROCESS_INFORMATION process_information) {
  return CreateProcessA(nullptr, command_line, nullptr, nullptr, inherit_handles, 0, nullptr, current_directory,
                        startup_info, process_information);
}

}  // namespace zeb::platform
