#include "fsutil/directory_creation.h"

#include <array>
#include <string_view>

#include "fsutil/path_tests.h"
#include "platform/win32.h"
#include "base/strlib/string_primitives.h"

namespace zeb::fsutil {

namespace {

constexpr std::array<const char*, 17> kMessages = {
    "No error",
    "Path is empty",
    "Path has invalid characters",
    "The path is a file , thus it cannot be created in the destination as a path",
    "Unable to create the destination directory , possible drive invalid or read only ",
    "The UNC path is a file , thus it cannot be created in the destination as a path",
    "Unable to create the destination directory , possible UNC path invalid or disconnected or "
    "read only ",
    "You need at least two characters to a path like this a: ",
    "Too many characters : on the path ",
    "Invalid character ? on the path ",
    "Invalid character * on the path ",
    "Invalid character < on the path ",
    "Invalid character > on the path ",
    "Invalid character / on the path ",
    "Invalid character \" on the path ",
    "Path is read only ",
    "Invalid character | on the path ",
};
constexpr const char* kConflictBefore = "The path '";
constexpr const char* kConflictAfter = "' refers to a file on the disk";
constexpr const char* kUnexpected = "Unexpected return value to the function to create directories";

// The file found in the way by the most recent result 17.
std::string conflicting_path;

// invalid_path_char's class -> the result that names its character.
constexpr std::array<std::int32_t, 9> kCharacterResults = {
    DirectoryReady,         DirectoryTooManyColons,  DirectoryHasSlash,
    DirectoryHasStar,       DirectoryHasQuestionMark, DirectoryHasLessThan,
    DirectoryHasGreaterThan, DirectoryHasDoubleQuote, DirectoryHasVerticalBar,
};

enum class Form { Unc, Drive, Neither };

Form form_of(const std::string& path) {
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return Form::Unc;
  if (is_absolute_path(path.c_str()) == 1) return Form::Drive;
  return Form::Neither;
}

std::int32_t not_created(Form form) {
  switch (form) {
    case Form::Unc:
      return DirectoryUncNotCreated;
    case Form::Drive:
      return DirectoryNotCreated;
    case Form::Neither:
      break;
  }
  return DirectoryPathNotAbsolute;
}

// One trailing backslash goes, unless the path is a drive root like "c:\".
void drop_trailing_backslash(std::string& path) {
  if (path.size() != 3 && !path.empty() && path.back() == '\\') path.pop_back();
}

void create_one(const std::string& path) {
  // Whether it worked is settled by the attribute tests afterwards.
  CreateDirectoryA(path.c_str(), nullptr);
}

// Verdict on a path whose creation has been attempted: 0, 15, or nothing
// when it is not a directory.
bool settled_as_directory(const std::string& path, std::int32_t& result) {
  if (is_directory(path.c_str()) != 1) return false;
  result = directory_read_only(path.c_str()) == 0 ? DirectoryReady : DirectoryReadOnly;
  return true;
}

}  // namespace

std::int32_t create_directory_path(const char* path) {
  std::string copy = path != nullptr ? path : "";
  if (copy.empty()) return DirectoryPathEmpty;
  if (copy.size() < 2) return DirectoryPathTooShort;
  const int bad_class = invalid_path_char(copy.c_str());
  if (bad_class != 0) return kCharacterResults.at(static_cast<std::size_t>(bad_class));

  const bool too_long = copy.size() > kDirectoryPathMaxLength;
  drop_trailing_backslash(copy);
  const Form form = form_of(copy);
  if (form == Form::Neither || too_long) return not_created(form);

  for (std::size_t i = form == Form::Unc ? 2 : 0; i < copy.size(); ++i) {
    if (copy[i] != '\\') continue;
    const std::string leading = copy.substr(0, i + 1);
    create_one(leading);
    if (leading.size() == 3) continue;  // a drive root
    const std::string part = copy.substr(0, i);
    if (is_file(part.c_str()) == 1) {
      conflicting_path = part;
      return DirectoryPartIsFile;
    }
  }
  create_one(copy);
  std::int32_t result = DirectoryReady;
  if (settled_as_directory(copy, result)) return result;
  if (is_file(copy.c_str()) == 1) {
    conflicting_path = copy;
    return DirectoryPartIsFile;
  }
  return not_created(form);
}

std::int32_t create_directory_under(const char* base, const char* path) {
  std::string combined;
  if (base != nullptr) {
    combined = base;
    strlib::add_trailing_backslash(combined);
  }
  combined += path != nullptr ? path : "";
  strlib::slashes_to_backslashes(combined);
  if (combined.empty()) return DirectoryPathEmpty;
  if (combined.size() == 1) return DirectoryPathTooShort;

  const bool too_long = combined.size() > kDirectoryUnderMaxLength;
  drop_trailing_backslash(combined);
  const Form form = form_of(combined);
  if (form == Form::Neither || too_long) return not_created(form);

  for (std::size_t i = form == Form::Unc ? 2 : 0; i < combined.size(); ++i) {
    if (combined[i] == '\\') create_one(combined.substr(0, i + 1));
  }
  create_one(combined);
  std::int32_t result = DirectoryReady;
  if (settled_as_directory(combined, result)) return result;
  if (is_file(combined.c_str()) == 1) return form == Form::Unc ? DirectoryUncIsFile : DirectoryIsFile;
  return not_created(form);
}

std::string directory_error_text(std::int32_t value) {
  if (value == DirectoryPartIsFile) return kConflictBefore + conflicting_path + kConflictAfter;
  if (value < 0 || static_cast<std::size_t>(value) >= kMessages.size()) return kUnexpected;
  return kMessages[static_cast<std::size_t>(value)];
}

}  // namespace zeb::fsutil
