// POSIX host: the names a directory holds, for the case-insensitive look-up
// of a name that does not exist as typed. A listing is read again as soon as
// the directory may have changed; the exact name is always asked for first.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace zeb::platform::posix {

// The entry of the directory at `host_dir` whose name matches `name`
// ASCII-case-insensitively ("." and ".." never do); the smallest in byte
// order when several differ only in case, so that the choice does not depend
// on directory order. `dir_info`, when not null, is stat(2) of `host_dir`
// made by the caller just before: a listing kept from an earlier reading
// answers only while the directory still has that identity and those times;
// otherwise, or without it, the directory is read. False, leaving `stored`
// alone, when there is no such entry or the directory cannot be read.
bool find_name_ignoring_case(const std::string& host_dir, const struct stat* dir_info,
                             std::string_view name, std::string& stored);

// Every name of the directory at `host_dir` but "." and "..", in directory
// order, from a kept listing while the directory shows it is still current,
// else read afresh (and kept where it may be trusted later). A directory
// reached by two paths (a link) shares one listing. Null when the directory
// cannot be read whole.
using Names = std::shared_ptr<const std::vector<std::string>>;
Names directory_names(const std::string& host_dir);

// Forgets every kept listing. Every call of this layer that may add, remove
// or rename an entry calls it once it is done, so the process never answers
// from a listing its own change made out of date.
void forget_directory_listings();

}  // namespace zeb::platform::posix
