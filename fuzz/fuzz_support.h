// What the fuzz targets share: a property check that stops the run with the
// input that broke it, and a scratch directory made once per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>

#include <unistd.h>

#include "platform/win32.h"

// A property that fails is a finding like a crash: libFuzzer keeps the input
// (abort is a deadly signal to it) and the message says which property.
#define ZEB_FUZZ_CHECK(condition, what)                                                     \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n  (%s)\n", __FILE__, __LINE__, what, \
                   #condition);                                                             \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

namespace zeb::fuzz {

// The input as text, NULs and all.
inline std::string text_of(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// A text as a C string would see it: up to its first NUL.
inline std::string c_text_of(std::string text) {
  text.resize(std::char_traits<char>::length(text.c_str()));
  return text;
}

// A text with every byte of `bytes` taken out.
inline std::string without(std::string text, std::string_view bytes) {
  std::erase_if(text, [bytes](char c) { return bytes.find(c) != std::string_view::npos; });
  return text;
}

// A text with the 26 letters from `from` on moved to those from `to` on:
// lowered() folds A-Z to a-z and nothing else, uppered() a-z to A-Z.
inline std::string refolded(std::string text, char from, char to) {
  for (char& c : text) c = c >= from && c < from + 26 ? static_cast<char>(c - from + to) : c;
  return text;
}
inline std::string lowered(std::string text) { return refolded(std::move(text), 'A', 'a'); }
inline std::string uppered(std::string text) { return refolded(std::move(text), 'a', 'A'); }

// A fresh directory below the host's temporary directory, made at first use
// and removed at a normal exit (a crash leaves it for the post-mortem).
class ScratchDirectory {
 public:
  explicit ScratchDirectory(std::string_view label) {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0;; ++attempt) {
      host_ = base / ("zeb-fuzz-" + std::string(label) + "-" + std::to_string(::getpid()) + "-" +
                      std::to_string(attempt));
      if (std::filesystem::create_directory(host_)) break;
    }
    windows_ = platform::windows_path_from_host(host_.string());
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(host_, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  const std::filesystem::path& host() const { return host_; }
  // "C:\..." without a final backslash.
  const std::string& windows() const { return windows_; }

  // Removes everything inside, keeping the directory.
  void empty() const {
    for (const auto& entry : std::filesystem::directory_iterator(host_)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add);
      std::filesystem::remove_all(entry.path());
    }
  }

 private:
  std::filesystem::path host_;
  std::string windows_;
};

inline void write_host_file(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ZEB_FUZZ_CHECK(out.good(), "the scratch file can be written");
}

inline std::string read_host_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zeb::fuzz
