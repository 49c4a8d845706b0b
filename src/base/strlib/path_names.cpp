#include "base/strlib/path_names.h"

namespace zeb::strlib {

int split_path(const char* path, std::string* directory, std::string* name) {
  if (directory != nullptr) directory->clear();
  if (name != nullptr) name->clear();
  if (path == nullptr) return 1;
  const std::string text(path);
  if (text.size() > kMaxSplitLength) return 1;
  const std::size_t last = text.find_last_of('\\');
  if (last == std::string::npos) {
    if (name != nullptr) *name = text;
    return 0;
  }
  if (directory != nullptr) *directory = text.substr(0, last + 1);
  if (name != nullptr) *name = text.substr(last + 1);
  return 0;
}

}  // namespace zeb::strlib
