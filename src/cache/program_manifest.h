// The manifest published beside every cached program.
//
// Windows starts a 32-bit program that declares no execution level and whose
// name looks like an installer's ("update", "setup", "patch", ...) only
// elevated, so a standard user's CreateProcess of the cached program of
// update.zebc (update.zebc.exe) would fail. Windows reads "<program>.exe.manifest" beside
// an executable that carries no manifest of its own (an embedded one wins),
// and it caches a program's activation context from its first start: the
// file is therefore in place before the program first runs, and goes with it.
#pragma once

#include <string>
#include <string_view>

namespace zeb::cache {

// asInvoker and nothing else: the program keeps the system's code page and
// its own compatibility defaults.
extern const char kProgramManifest[];

// "<executable>.manifest".
std::string manifest_path_of(std::string_view executable);

// Makes the manifest of `executable` hold exactly kProgramManifest; one that
// already does is left untouched. False when it cannot be written.
bool publish_program_manifest(const std::string& executable);

}  // namespace zeb::cache
