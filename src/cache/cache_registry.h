// The registry of cached executables ("zeb_c.ini" beside zeb_c) and the three
// commands that show, flush and version the cache.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "cache/version.h"

namespace zeb::cache {

// Modes of cache_registry.
inline constexpr int kRegistryRegister = 0;  // add a cached executable's path
inline constexpr int kRegistryFlush = 1;     // delete what the registry names, then the registry
inline constexpr int kRegistryList = 2;      // print every registered path

// cache_registry's result when the registry cannot be used: it exists (or
// was just created) but cannot be opened for reading, or the installation
// directory is unknown.
inline constexpr int kRegistryUnavailable = 1000;

// The registry's file name, in the installation directory.
inline constexpr char kRegistryFileName[] = "zeb_c.ini";

// A new registry holds exactly this marker, without a line end; every rewrite
// lower-cases it with the rest.
inline constexpr std::string_view kRegistryMarker = "<ZEB Software>";
inline constexpr std::string_view kRegistryMarkerRewritten = "<zeb software>";

// A rewrite goes to this file beside the registry first and then replaces it.
inline constexpr char kRegistryStagingSuffix[] = ".new";


// Texts the commands print on standard output: they are what was asked for.
inline constexpr char kNoCachedFilesText[] = "No cached files\n";
inline constexpr char kFlushText[] = "deleting cached files \n";
inline constexpr char kVersionText[] = "ZEB_C version " ZEB_VERSION " \n";

// Works on the registry of the installation in `base_directory` (Windows
// form, with or without its final backslash), holding
// the installation lock (cache/cache_locks.h) throughout:
//  - kRegistryRegister: `path` (required) is lower-cased in place, then added
//    as a line unless the registry already holds it; a missing registry is
//    created with the marker first. A registry that already holds the path
//    is left byte for byte as it was. The registry is replaced in one step,
//    never rewritten in place: a failure leaves it as it was.
//  - kRegistryFlush: deletes each registered file, with what a cut-short
//    compile left beside it, and then its directory (when empty). Only
//    entries that lie inside the installation's "cache\" directory,
//    reached without passing through a link, are touched; an entry whose
//    lock another run holds is left alone. The registry keeps its marker and
//    every line whose file still exists afterwards; it is deleted when no
//    such line is left.
//  - kRegistryList: prints each line but the marker as "%s \n", or
//    "No cached files\n" when there is no registry.
// `path` may be null in the flush and list modes; a null path in register
// mode does nothing. Returns 0, or kRegistryUnavailable when the registry
// exists but cannot be read or cannot be rewritten (register, flush).
// Unknown modes return 0.
int cache_registry_in(std::string_view base_directory, int mode, std::string* path);

// cache_registry_in for an installation directory that may be unknown
// (null): then nothing is touched and kRegistryUnavailable is returned.
int registry_at(const char* base_directory, int mode, std::string* path);

// Performs the command `command` ("/flush", "/version" or "--version",
// "/cachedfiles", compared exactly, case included) for the installation that
// `base_directory` names (asked for only by the commands that use the
// registry; it may give null) and returns 1; returns 0, doing nothing, for
// any other text.
int run_command(std::string_view command, const std::function<const char*()>& base_directory);

// run_command for argv[1] and the installation in `base_directory`; 0 when
// there is no argv[1].
int handle_command_in(std::string_view base_directory, int argc, const char* const* argv);

}  // namespace zeb::cache
