// POSIX host: the handle registry and CloseHandle.
// A HANDLE is the address of a registered PlatformObject; unknown values are
// refused, never dereferenced.
#include "platform/posix/handles.h"

#include <map>
#include <mutex>

namespace zeb::platform::posix {
namespace {

struct Registry {
  std::mutex lock;
  std::map<PlatformObject*, std::unique_ptr<PlatformObject>> objects;
};

Registry& registry() {
  static Registry* instance = new Registry;  // outlives static destructors of callers
  return *instance;
}

}  // namespace

HANDLE register_handle(std::unique_ptr<PlatformObject> object) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  PlatformObject* raw = object.get();
  r.objects.emplace(raw, std::move(object));
  return raw;
}

PlatformObject* lookup_handle(HANDLE handle) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.objects.find(handle);
  if (it == r.objects.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return it->second.get();
}

std::unique_ptr<PlatformObject> unregister_handle(HANDLE handle) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.objects.find(handle);
  if (it == r.objects.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  std::unique_ptr<PlatformObject> owned = std::move(it->second);
  r.objects.erase(it);
  return owned;
}

void visit_handles(void (*visit)(PlatformObject&, void*), void* context) {
  Registry& r = registry();
  std::lock_guard<std::mutex> guard(r.lock);
  for (auto& entry : r.objects) visit(*entry.second, context);
}

}  // namespace zeb::platform::posix

BOOL PlatformObject::read(void*, DWORD, DWORD* read_count) {
  if (read_count != nullptr) *read_count = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

BOOL PlatformObject::write(const void*, DWORD, DWORD* written) {
  if (written != nullptr) *written = 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}

BOOL CloseHandle(HANDLE object) {
  // The object is destroyed outside the registry lock: a destructor may
  // itself close descriptors or wait for a child.
  std::unique_ptr<PlatformObject> owned = zeb::platform::posix::unregister_handle(object);
  return owned != nullptr ? TRUE : FALSE;
}
