#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folder_entries.h"

namespace scf {

namespace {

FolderEntry::Kind kindOf(mode_t mode) {
  if (S_ISREG(mode)) return FolderEntry::Kind::file;
  if (S_ISDIR(mode)) return FolderEntry::Kind::folder;
  return FolderEntry::Kind::other;
}

}  // namespace

bool readFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& each) {
  // O_NONBLOCK: a FIFO put where a folder was expected is not waited on.
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return false;
  }
  FolderEntry entry;
  while (const dirent* item = ::readdir(dir)) {
    const std::string_view name(item->d_name);
    if (name == "." || name == "..") continue;
    entry.name.assign(name);
    entry.hidden = name.front() == '.';
    if (item->d_type == DT_REG) {
      entry.kind = FolderEntry::Kind::file;
    } else if (item->d_type == DT_DIR) {
      entry.kind = FolderEntry::Kind::folder;
    } else if (item->d_type != DT_UNKNOWN) {
      entry.kind = FolderEntry::Kind::other;
    } else {
      // Some file systems leave the type out: ask without following a link.
      struct stat info {};
      entry.kind = ::fstatat(::dirfd(dir), item->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
                       ? kindOf(info.st_mode)
                       : FolderEntry::Kind::other;
    }
    if (!each(entry)) break;
  }
  ::closedir(dir);
  return true;
}

std::optional<RegularFileFacts> regularFileFacts(const std::string& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return RegularFileFacts{static_cast<std::uint64_t>(info.st_size),
                          static_cast<std::int64_t>(info.st_mtim.tv_sec)};
}

}  // namespace scf
