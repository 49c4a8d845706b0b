#include "e2e/pe_image_support.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace zeb::e2e {
namespace {

constexpr std::uint32_t kImportDirectory = 1;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kManifestType = 24;
constexpr std::uint32_t kSubdirectoryBit = 0x80000000u;

// Little-endian reads that fail, rather than read past the end.
class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  bool u16(std::uint64_t at, std::uint32_t& out) const { return read(at, 2, out); }
  bool u32(std::uint64_t at, std::uint32_t& out) const { return read(at, 4, out); }
  bool text(std::uint64_t at, std::string& out) const {
    if (at >= bytes_.size()) return false;
    const std::size_t end = bytes_.find('\0', at);
    if (end == std::string::npos) return false;
    out = bytes_.substr(at, end - at);
    return true;
  }
  bool slice(std::uint64_t at, std::uint64_t size, std::string& out) const {
    if (at > bytes_.size() || size > bytes_.size() - at) return false;
    out = bytes_.substr(at, size);
    return true;
  }

 private:
  bool read(std::uint64_t at, unsigned size, std::uint32_t& out) const {
    if (at > bytes_.size() || size > bytes_.size() - at) return false;
    out = 0;
    for (unsigned i = 0; i < size; ++i) out |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at + i])) << (8 * i);
    return true;
  }
  const std::string& bytes_;
};

struct Section {
  std::uint32_t address, size, file_offset;
};

// The headers a reader needs: where each section lies in the file, and the
// data directories.
struct Image {
  std::vector<Section> sections;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> directories;  // address, size

  std::optional<std::uint64_t> offset_of(std::uint32_t address) const {
    for (const Section& s : sections) {
      if (address >= s.address && address - s.address < s.size) return std::uint64_t{s.file_offset} + (address - s.address);
    }
    return std::nullopt;
  }
};

std::optional<Image> parse(const Reader& in) {
  std::uint32_t mz = 0, pe = 0, signature = 0, section_count = 0, optional_size = 0, magic = 0;
  if (!in.u16(0, mz) || mz != 0x5a4d || !in.u32(0x3c, pe) || !in.u32(pe, signature) || signature != 0x4550) {
    return std::nullopt;
  }
  const std::uint64_t optional = std::uint64_t{pe} + 24;
  if (!in.u16(pe + 6, section_count) || !in.u16(pe + 20, optional_size) || !in.u16(optional, magic)) return std::nullopt;
  // PE32 and PE32+ differ in where the directory count and the directories stand.
  if (magic != 0x10b && magic != 0x20b) return std::nullopt;
  const std::uint64_t count_at = optional + (magic == 0x10b ? 92 : 108);
  std::uint32_t directory_count = 0;
  if (!in.u32(count_at, directory_count)) return std::nullopt;
  Image image;
  for (std::uint32_t i = 0; i < directory_count && i < 16; ++i) {
    std::uint32_t address = 0, size = 0;
    if (!in.u32(count_at + 4 + 8 * i, address) || !in.u32(count_at + 8 + 8 * i, size)) return std::nullopt;
    image.directories.emplace_back(address, size);
  }
  for (std::uint32_t i = 0; i < section_count; ++i) {
    const std::uint64_t at = optional + optional_size + 40 * std::uint64_t{i};
    std::uint32_t virtual_size = 0, address = 0, raw_size = 0, file_offset = 0;
    if (!in.u32(at + 8, virtual_size) || !in.u32(at + 12, address) || !in.u32(at + 16, raw_size) ||
        !in.u32(at + 20, file_offset)) {
      return std::nullopt;
    }
    image.sections.push_back({address, std::max(virtual_size, raw_size), file_offset});
  }
  return image;
}

}  // namespace

std::optional<std::vector<std::string>> imported_dlls(const std::string& bytes) {
  const Reader in(bytes);
  const std::optional<Image> image = parse(in);
  if (!image || image->directories.size() <= kImportDirectory) return std::nullopt;
  std::vector<std::string> names;
  const std::uint32_t table = image->directories[kImportDirectory].first;
  if (table == 0) return names;
  const std::optional<std::uint64_t> start = image->offset_of(table);
  if (!start) return std::nullopt;
  // Descriptors of 20 bytes, the name's address at 12; an all-zero one ends them.
  for (std::uint64_t at = *start;; at += 20) {
    std::uint32_t lookup = 0, name_address = 0, thunks = 0;
    if (!in.u32(at, lookup) || !in.u32(at + 12, name_address) || !in.u32(at + 16, thunks)) return std::nullopt;
    if (lookup == 0 && name_address == 0 && thunks == 0) return names;
    const std::optional<std::uint64_t> name_at = image->offset_of(name_address);
    std::string name;
    if (!name_at || !in.text(*name_at, name)) return std::nullopt;
    names.push_back(name);
  }
}

std::optional<std::string> embedded_manifest(const std::string& bytes) {
  const Reader in(bytes);
  const std::optional<Image> image = parse(in);
  if (!image || image->directories.size() <= kResourceDirectory) return std::nullopt;
  const std::optional<std::uint64_t> root = image->offset_of(image->directories[kResourceDirectory].first);
  if (!root) return std::nullopt;
  // Three levels, type then name then language; the first entry of type 24,
  // then the first below it at each level. Entries' offsets are from the root.
  std::uint64_t directory = *root;
  for (int level = 0; level < 3; ++level) {
    std::uint32_t named = 0, ids = 0;
    if (!in.u16(directory + 12, named) || !in.u16(directory + 14, ids)) return std::nullopt;
    std::optional<std::uint32_t> next;
    for (std::uint32_t i = 0; i < named + ids && !next; ++i) {
      std::uint32_t id = 0, target = 0;
      if (!in.u32(directory + 16 + 8 * std::uint64_t{i}, id) || !in.u32(directory + 20 + 8 * std::uint64_t{i}, target)) {
        return std::nullopt;
      }
      if (level > 0 || id == kManifestType) next = target;
    }
    if (!next) return std::nullopt;
    const bool subdirectory = (*next & kSubdirectoryBit) != 0;
    if (subdirectory != (level < 2)) return std::nullopt;
    directory = *root + (*next & ~kSubdirectoryBit);
  }
  // The data entry: the data's address (not an offset) and its size.
  std::uint32_t address = 0, size = 0;
  if (!in.u32(directory, address) || !in.u32(directory + 4, size)) return std::nullopt;
  const std::optional<std::uint64_t> data = image->offset_of(address);
  std::string text;
  if (!data || !in.slice(*data, size, text)) return std::nullopt;
  return text;
}

}  // namespace zeb::e2e
