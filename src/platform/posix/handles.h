// POSIX host: kernel objects behind HANDLE values.
// Every HANDLE the layer hands out points to a live PlatformObject registered
// here; anything else (a stale or forged value) is refused with
// ERROR_INVALID_HANDLE instead of being dereferenced.
#pragma once

#include "platform/win32.h"

#include <memory>

struct PlatformObject {
  PlatformObject() = default;
  PlatformObject(const PlatformObject&) = delete;
  PlatformObject& operator=(const PlatformObject&) = delete;
  virtual ~PlatformObject() = default;

  // ReadFile/WriteFile on this object; the defaults refuse with
  // ERROR_INVALID_HANDLE, as Windows does for objects that are not streams.
  virtual BOOL read(void* buffer, DWORD to_read, DWORD* read_count);
  virtual BOOL write(const void* buffer, DWORD to_write, DWORD* written);

  // The host descriptor that a child process receives when this object is
  // one of its standard handles or is inherited; -1 when there is none.
  virtual int descriptor() const { return -1; }

  // Set from SECURITY_ATTRIBUTES::bInheritHandle at creation.
  bool inheritable = false;
};

namespace zeb::platform::posix {

// Registers the object and returns the HANDLE for it; the registry owns it
// from now on and deletes it in CloseHandle.
HANDLE register_handle(std::unique_ptr<PlatformObject> object);

// The live object behind a handle, or null (last error ERROR_INVALID_HANDLE).
PlatformObject* lookup_handle(HANDLE handle);

// Sets the thread's last error and returns the failure value of a BOOL or a
// HANDLE call, the two shapes every failing call of the layer ends in.
inline BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

inline HANDLE fail_handle(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

// Typed lookup: null unless the handle is live and of type T.
template <typename T>
T* lookup_as(HANDLE handle) {
  PlatformObject* object = lookup_handle(handle);
  T* typed = dynamic_cast<T*>(object);
  if (object != nullptr && typed == nullptr) SetLastError(ERROR_INVALID_HANDLE);
  return typed;
}

// Calls `visit` on every live object (a child's inheritance is decided so).
void visit_handles(void (*visit)(PlatformObject&, void*), void* context);

// Removes the object from the registry and returns it; null (last error
// ERROR_INVALID_HANDLE) for a value that is not a live handle.
std::unique_ptr<PlatformObject> unregister_handle(HANDLE handle);

}  // namespace zeb::platform::posix
