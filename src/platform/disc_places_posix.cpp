#include <dirent.h>
#include <sys/stat.h>

#include <fstream>

#include "platform/disc_places.h"
#include "platform/env.h"

namespace scf {

namespace {

constexpr const char* kVariables[] = {
    "HOME", "USER", "XDG_CONFIG_HOME", "XDG_DESKTOP_DIR", "XDG_DOWNLOAD_DIR", "XDG_DOCUMENTS_DIR"};

std::string valueOf(const DiscPlaceHints& hints, const char* name) {
  const auto found = hints.environment.find(name);
  return found == hints.environment.end() ? std::string() : found->second;
}

// One line of user-dirs.dirs, XDG_DOWNLOAD_DIR="$HOME/Downloads": the folder it names, or
// empty when the line is not about this key.
std::string userDirLine(const std::string& line, const std::string& key, const std::string& home) {
  if (line.rfind(key + "=", 0) != 0) return {};
  std::string value = line.substr(key.size() + 1);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    value = value.substr(1, value.size() - 2);
  }
  if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
  // "$HOME/" alone means the feature is off for this folder: the home itself.
  while (value.size() > 1 && value.back() == '/')
    value.pop_back();
  return value.empty() || value.front() != '/' ? std::string() : value;
}

// A user folder: the variable when set, else the line of user-dirs.dirs, else the English name.
std::string userDir(const DiscPlaceHints& hints, const std::string& key, const char* english,
                    const std::string& home) {
  if (std::string set = valueOf(hints, key.c_str()); !set.empty() && set.front() == '/') return set;
  std::string config = valueOf(hints, "XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') config = home + "/.config";
  std::ifstream file(config + "/user-dirs.dirs");
  std::string line;
  while (std::getline(file, line)) {
    if (std::string folder = userDirLine(line, key, home); !folder.empty()) return folder;
  }
  return home + "/" + english;
}

bool isFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The mounted media under /run/media/<user> or /media (where some systems add a level named
// after the user, which the search's depth covers).
void addMediaFolders(const std::string& base, std::vector<std::string>& places) {
  DIR* dir = ::opendir(base.c_str());
  if (!dir) return;
  while (const dirent* item = ::readdir(dir)) {
    const std::string name = item->d_name;
    if (name.empty() || name[0] == '.') continue;
    const std::string path = base + "/" + name;
    if (isFolder(path)) places.push_back(path);
  }
  ::closedir(dir);
}

}  // namespace

DiscPlaceHints discPlaceHints() {
  DiscPlaceHints hints;
  const std::string list = getEnv(kDiscPlacesVariable);
  if (!list.empty()) {
    hints.overridden = true;
    hints.places = splitPlaceList(list, ':');
    return hints;
  }
  for (const char* name : kVariables)
    hints.environment[name] = getEnv(name);
  return hints;
}

std::vector<std::string> discPlaces(const DiscPlaceHints& hints) {
  if (hints.overridden) return hints.places;
  std::vector<std::string> places;
  const std::string home = valueOf(hints, "HOME");
  if (!home.empty() && home.front() == '/') {
    places.push_back(userDir(hints, "XDG_DOWNLOAD_DIR", "Downloads", home));
    places.push_back(userDir(hints, "XDG_DESKTOP_DIR", "Desktop", home));
    places.push_back(userDir(hints, "XDG_DOCUMENTS_DIR", "Documents", home));
    places.push_back(home);
  }
  const std::string user = valueOf(hints, "USER");
  if (!user.empty()) addMediaFolders("/run/media/" + user, places);
  addMediaFolders("/media", places);
  return places;
}

}  // namespace scf
