// Where the conformance suite runs on Wine rather than Windows. The suite
// states Windows' behaviour; the few places where Wine is known to differ ask
// this and say how.
#pragma once

#include "platform/win32.h"

namespace zeb::test {

// Wine's own loader gives every Windows process it starts WINECONFIGDIR
// (the prefix); neither Windows nor the POSIX layer ever sets it.
inline bool running_under_wine() {
  return GetEnvironmentVariableA("WINECONFIGDIR", nullptr, 0) != 0;
}

}  // namespace zeb::test
