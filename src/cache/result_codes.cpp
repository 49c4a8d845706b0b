#include "cache/result_codes.h"

#include <array>

namespace zeb::cache {
namespace {

// Indexed by code. Several codes share a text; the exit status tells them apart.
constexpr std::array<const char*, 31> kMessages = {
    nullptr,                                                           // 0
    nullptr,                                                           // 1: usage printed
    nullptr,                                                           // 2: "file ... don't exist"
    "cannot execute internal required function\n",                    // 3
    "cannot get the full pathname of zeb_c.exe\n",                    // 4
    "cannot create cache path\n",                                      // 5
    "cannot generate checksum of the cached executable\n",             // 6
    "cannot compile due to internal error\n",                          // 7
    "cannot open required temporary file\n",                           // 8
    "compilation error\n",                                             // 9
    "cannot update the checksum on the cached executable\n",           // 10
    "cannot update checksum on the cached file\n",                     // 11
    "cannot find compiled file, internal error\n",                     // 12
    "cannot open required temporary file\n",                           // 13
    "cannot use relative path that has a \\ as the first character\n",  // 14
    "cannot use relative path that has a . as the first character\n",  // 15
    "file don't exist\n",                                              // 16
    "gcc not found or gcc error\n",                                    // 17
    "compilation error\n",                                             // 18
    "unable to locate a required temporary file\n",                    // 19
    "cannot open required temporary file\n",                           // 20
    "gcc not found or wrong version\n",                                // 21
    "gcc compiler not installed or not mingw\n",                       // 22
    "gcc compiler not installed or not mingw\n",                       // 23
    "cannot read from temporary file\n",                               // 24
    "cannot execute required internal operation\n",                   // 25
    "cannot locate required executable module\n",                     // 26
    "cannot locate required executable module\n",                     // 27
    "argument or path too long\n",                                     // 28
    "cache directory not private to this user\n",                      // 29
    "directive or compiler option not allowed\n",                      // 30
};

constexpr const char* kUnexpected = "unexpected error\n";

}  // namespace

const char* result_message(std::int32_t code) {
  if (code < 1 || code >= static_cast<std::int32_t>(kMessages.size())) {
    return code == 0 ? nullptr : kUnexpected;
  }
  return kMessages[static_cast<std::size_t>(code)];
}

}  // namespace zeb::cache
