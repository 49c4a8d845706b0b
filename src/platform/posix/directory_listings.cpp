// POSIX host: directory listings kept between look-ups of names that do not
// exist as typed. A listing answers only while nothing can have changed it.
#include "platform/posix/directory_listings.h"

#include "platform/portable/path_text.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <numeric>
#include <sys/vfs.h>
#include <unistd.h>
#include <vector>

// Why a kept listing can be trusted. Every change of a directory's entries
// (create, unlink, rename, mkdir, rmdir, link, by any process) stamps the
// directory's modification and change times with the time of the change, cut
// to the file system's granularity. A listing read once the clock has passed
// those times by at least one granule therefore holds every change stamped
// with them, and any later change stamps a later time; so while the directory
// shows the same device, inode and both times, its names are the ones read.
// A listing read sooner could miss a change another process makes within the
// same granule, so it is not kept. No program can set a change time (setting
// the modification time stamps the change time with the present), so
// restoring a modification time does not fool the check. The granule is not
// told by the host; a timestamp is a multiple of it, so the nanoseconds of
// the two times bound it, and whole seconds mean a coarse file system.
//
// That argument needs times stamped from this machine's clock on every
// change: local file systems do that. Network and user-space file systems
// (NFS, FUSE, 9p, ...) may stamp from another clock or serve times from a
// cache, so their directories are read on every look-up, as before.

namespace zeb::platform::posix {
namespace {

// Enough for the few directories a run looks into; the oldest goes first.
constexpr std::size_t kMaxListings = 16;
// Bigger directories are read on every look-up rather than held in memory.
constexpr std::size_t kMaxNamesKept = 4096;
// The coarsest granularity of a local file system (FAT's modification time).
constexpr std::int64_t kCoarsestGranuleNs = 2'000'000'000;
constexpr std::int64_t kNsPerSecond = 1'000'000'000;

struct Listing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec modified{};
  timespec changed{};
  std::shared_ptr<const std::vector<std::string>> names;
};

struct Listings {
  std::mutex lock;
  std::vector<Listing> kept;            // oldest first
  std::map<dev_t, bool> stamps_locally;  // per device: may its listings be kept
};

Listings& listings() {
  static Listings* instance = new Listings;  // look-ups may run during static destruction
  return *instance;
}

struct FdCloser {
  int fd;
  ~FdCloser() { close(fd); }
};

bool same_time(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool describes(const Listing& listing, const struct stat& info) {
  return listing.device == info.st_dev && listing.inode == info.st_ino &&
         same_time(listing.modified, info.st_mtim) && same_time(listing.changed, info.st_ctim);
}

std::int64_t nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * kNsPerSecond + time.tv_nsec;
}

// Whether `now` lies at least one granule past both times of the directory.
bool settled(const struct stat& info, const timespec& now) {
  const std::int64_t granule =
      info.st_mtim.tv_nsec == 0 && info.st_ctim.tv_nsec == 0
          ? kCoarsestGranuleNs
          : std::gcd(std::gcd(static_cast<std::int64_t>(info.st_mtim.tv_nsec),
                              static_cast<std::int64_t>(info.st_ctim.tv_nsec)),
                     kNsPerSecond);
  const std::int64_t latest = std::max(nanoseconds(info.st_mtim), nanoseconds(info.st_ctim));
  return nanoseconds(now) >= latest + granule;
}

bool local_file_system(long type) {
  switch (static_cast<std::uint32_t>(type)) {
    case 0xEF53u:      // ext2, ext3, ext4
    case 0x58465342u:  // XFS
    case 0x9123683Eu:  // Btrfs
    case 0xF2F52010u:  // F2FS
    case 0x2FC12FC1u:  // ZFS
    case 0x01021994u:  // tmpfs
    case 0x794C7630u:  // overlayfs, whose changes all land in its upper directory
      return true;
    default:
      return false;
  }
}

// Whether listings of the device of `fd` may be kept; asked once per device.
bool stamps_locally(Listings& all, int fd, dev_t device) {
  {
    std::lock_guard<std::mutex> guard(all.lock);
    const auto known = all.stamps_locally.find(device);
    if (known != all.stamps_locally.end()) return known->second;
  }
  struct statfs about {};
  const bool local = fstatfs(fd, &about) == 0 && local_file_system(about.f_type);
  std::lock_guard<std::mutex> guard(all.lock);
  all.stamps_locally[device] = local;
  return local;
}

// Every name of the open directory but "." and "..". False when the reading
// failed part way; `names` then holds what was read.
bool read_names(int fd, std::vector<std::string>& names) {
  // Written by the kernel before it is read: not cleared first, which for a
  // small directory would cost more than reading it.
  constexpr std::size_t kListingChunk = 32 * 1024;
  const std::unique_ptr<char[]> buffer = std::make_unique_for_overwrite<char[]>(kListingChunk);
  for (;;) {
    const ssize_t got = getdents64(fd, buffer.get(), kListingChunk);
    if (got == 0) return true;
    if (got < 0) return false;
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer.get() + at);
      const std::string_view name(entry->d_name);
      if (name != "." && name != "..") names.emplace_back(name);
      at += entry->d_reclen;
    }
  }
}

bool smallest_match(const std::vector<std::string>& names, std::string_view name,
                    std::string& stored) {
  const std::string* best = nullptr;
  for (const std::string& candidate : names) {
    if (!equal_nocase(candidate, name)) continue;
    if (best == nullptr || candidate < *best) best = &candidate;
  }
  if (best == nullptr) return false;
  stored = *best;
  return true;
}

void keep(Listings& all, Listing listing) {
  std::lock_guard<std::mutex> guard(all.lock);
  auto& kept = all.kept;
  kept.erase(std::remove_if(kept.begin(), kept.end(),
                            [&](const Listing& old) {
                              return old.device == listing.device && old.inode == listing.inode;
                            }),
             kept.end());
  if (kept.size() >= kMaxListings) kept.erase(kept.begin());
  kept.push_back(std::move(listing));
}

}  // namespace

namespace {

Names kept_names(Listings& all, const struct stat& dir_info) {
  std::lock_guard<std::mutex> guard(all.lock);
  for (const Listing& listing : all.kept) {
    if (describes(listing, dir_info)) return listing.names;
  }
  return nullptr;
}

// Reads the names of the open directory `fd`, keeping them when they may be
// trusted later.
Names read_listing(Listings& all, int fd) {
  // The identity and times of what is actually read: the path may have come
  // to name another directory since the caller looked.
  struct stat opened {};
  const bool identified = fstat(fd, &opened) == 0;
  if (identified) {
    if (Names kept = kept_names(all, opened)) return kept;
  }
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  auto names = std::make_shared<std::vector<std::string>>();
  if (!read_names(fd, *names)) return nullptr;
  if (identified && names->size() <= kMaxNamesKept && settled(opened, now) &&
      stamps_locally(all, fd, opened.st_dev)) {
    keep(all, Listing{opened.st_dev, opened.st_ino, opened.st_mtim, opened.st_ctim, names});
  }
  return names;
}

}  // namespace

Names directory_names(const std::string& host_dir) {
  const int fd = open(host_dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  const FdCloser closer{fd};
  return read_listing(listings(), fd);
}

bool find_name_ignoring_case(const std::string& host_dir, const struct stat* dir_info,
                             std::string_view name, std::string& stored) {
  Listings& all = listings();
  if (dir_info != nullptr) {
    if (const Names kept = kept_names(all, *dir_info)) return smallest_match(*kept, name, stored);
  }
  const Names names = directory_names(host_dir);
  return names != nullptr && smallest_match(*names, name, stored);
}

void forget_directory_listings() {
  Listings& all = listings();
  std::lock_guard<std::mutex> guard(all.lock);
  all.kept.clear();
}

}  // namespace zeb::platform::posix
