#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <limits>

#include "platform/file_list.h"

namespace scf {

namespace {

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Suffixes are compared without regard to ASCII case: a game may well write CRASH.TXT.
bool endsWith(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (asciiLower(tail[i]) != asciiLower(suffix[i])) return false;
  }
  return true;
}

// Nanoseconds since 1970, held to the range of 64 bits (a time past 2262 counts as the last).
std::int64_t nanoseconds(const timespec& time) {
  constexpr std::int64_t perSecond = 1000000000;
  constexpr std::int64_t maxSeconds = std::numeric_limits<std::int64_t>::max() / perSecond - 1;
  if (time.tv_sec > maxSeconds) return std::numeric_limits<std::int64_t>::max();
  if (time.tv_sec < -maxSeconds) return std::numeric_limits<std::int64_t>::min();
  return std::int64_t(time.tv_sec) * perSecond + std::int64_t(time.tv_nsec);
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
    entries.push_back({folder + "/" + std::string(name), nanoseconds(info.st_mtim)});
  }
  ::closedir(dir);
  return entries;
}

}  // namespace scf
