#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/file_list.h"

namespace scf {

namespace {

bool endsWith(std::string_view name, std::string_view suffix) {
  return name.size() >= suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

}  // namespace

std::vector<FileEntry> listFiles(const std::string& folder, std::string_view suffix) {
  std::vector<FileEntry> entries;
  if (folder.empty()) return entries;
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return entries;
  const int dirFd = ::dirfd(dir);
  while (const dirent* item = ::readdir(dir)) {
    const std::string_view name(item->d_name);
    if (!endsWith(name, suffix)) continue;
    // stat, not the dirent's type: a link to a report counts as the report, and some file
    // systems leave d_type unknown.
    struct stat info {};
    if (::fstatat(dirFd, item->d_name, &info, 0) != 0 || !S_ISREG(info.st_mode)) continue;
    const std::int64_t time =
        std::int64_t(info.st_mtim.tv_sec) * 1000000000 + std::int64_t(info.st_mtim.tv_nsec);
    entries.push_back({folder + "/" + std::string(name), time});
  }
  ::closedir(dir);
  return entries;
}

}  // namespace scf
