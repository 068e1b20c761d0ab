#include "platform/job_cgroup_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace scf {

namespace {

std::atomic<bool> groupsOff{false};
std::atomic<unsigned> groupsMade{0};
std::atomic<bool> sweptOnce{false};

constexpr const char* groupPrefix = "scf-job-";

void sweepLeftGroups(const std::string& own) {
  DIR* folder = opendir(own.c_str());
  if (folder == nullptr) return;
  const std::size_t prefixLength = std::strlen(groupPrefix);
  while (const dirent* entry = readdir(folder)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefixLength, groupPrefix) != 0) continue;
    const long pid = std::strtol(name.c_str() + prefixLength, nullptr, 10);
    // Only where no process has that pid: a live one may be the launcher still using it.
    if (pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      rmdir((own + '/').append(name).c_str());
  }
  closedir(folder);
}

// Paths in mountinfo escape space, tab, newline and backslash as three octal digits.
std::string unescapeMountPath(const std::string& text) {
  std::string path;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '\\' && at + 3 < text.size()) {
      const std::string digits = text.substr(at + 1, 3);
      if (digits.find_first_not_of("01234567") == std::string::npos) {
        path.push_back(static_cast<char>(std::stoi(digits, nullptr, 8)));
        at += 3;
        continue;
      }
    }
    path.push_back(text[at]);
  }
  return path;
}

// The folder of the launcher's own cgroup v2 group, or "" when it has none.
std::string ownGroupFolder() {
  std::ifstream groups("/proc/self/cgroup");
  std::string own;
  bool found = false;
  for (std::string line; std::getline(groups, line);) {
    if (line.rfind("0::", 0) == 0) {
      own = line.substr(3);
      found = true;
    }
  }
  if (!found || own.empty() || own[0] != '/') return "";
  // A group whose processes left it (" (deleted)") takes no new members.
  if (own.find(" (deleted)") != std::string::npos) return "";

  std::ifstream mounts("/proc/self/mountinfo");
  for (std::string line; std::getline(mounts, line);) {
    const std::size_t dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream after(line.substr(dash + 3));
    std::string type;
    after >> type;
    if (type != "cgroup2") continue;
    std::istringstream fields(line.substr(0, dash));
    std::string id, parent, device, root, point;
    fields >> id >> parent >> device >> root >> point;
    root = unescapeMountPath(root);
    point = unescapeMountPath(point);
    // The mount shows the hierarchy from its root on: the launcher's group must lie below it.
    std::string below = own;
    if (root != "/") {
      if (own.compare(0, root.size(), root) != 0 ||
          (own.size() > root.size() && own[root.size()] != '/'))
        continue;
      below = own.substr(root.size());
    }
    if (below == "/") below.clear();
    return point + below;
  }
  return "";
}

// Joins folder and name into buffer without allocating; false when it does not fit.
bool groupFile(const char* folder, const char* name, char (&buffer)[4096]) {
  const std::size_t folderLength = std::strlen(folder);
  const std::size_t nameLength = std::strlen(name);
  if (folderLength + 1 + nameLength + 1 > sizeof buffer) return false;
  std::memcpy(buffer, folder, folderLength);
  buffer[folderLength] = '/';
  std::memcpy(buffer + folderLength + 1, name, nameLength + 1);
  return true;
}

bool writeGroupFile(const char* folder, const char* name, const char* text) {
  char path[4096];
  if (!groupFile(folder, name, path)) return false;
  const int fd = open(path, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const std::size_t length = std::strlen(text);
  ssize_t written = -1;
  do {
    written = write(fd, text, length);
  } while (written < 0 && errno == EINTR);
  close(fd);
  return written == static_cast<ssize_t>(length);
}

// Whether cgroup.events (open as events) says the group still holds a process.
bool populated(int events) {
  char text[256];
  ssize_t size = -1;
  do {
    size = pread(events, text, sizeof text - 1, 0);
  } while (size < 0 && errno == EINTR);
  if (size <= 0) return false;
  text[size] = '\0';
  const char* field = std::strstr(text, "populated ");
  return field != nullptr && field[10] == '1';
}

}  // namespace

void sweepLeftJobCgroups() {
  const std::string own = ownGroupFolder();
  if (!own.empty()) sweepLeftGroups(own);
}

long jobMonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string makeJobCgroup() {
  if (groupsOff.load()) return "";
  const std::string own = ownGroupFolder();
  if (own.empty()) return "";
  if (!sweptOnce.exchange(true)) sweepLeftGroups(own);
  std::string folder = own + "/" + groupPrefix + std::to_string(getpid()) + "-" +
                       std::to_string(groupsMade.fetch_add(1) + 1);
  if (mkdir(folder.c_str(), 0755) != 0) return "";
  // Kernels before 5.14 have no cgroup.kill; a group the launcher may not move into is no use.
  if (access((folder + "/cgroup.kill").c_str(), W_OK) != 0 ||
      access((folder + "/cgroup.procs").c_str(), W_OK) != 0) {
    rmdir(folder.c_str());
    return "";
  }
  return folder;
}

bool joinJobCgroup(const char* folder) {
  return folder != nullptr && folder[0] != '\0' && writeGroupFile(folder, "cgroup.procs", "0");
}

bool killJobCgroup(const char* folder, long deadline) {
  if (folder == nullptr || folder[0] == '\0') return false;
  char path[4096];
  if (!groupFile(folder, "cgroup.events", path)) return false;
  const int events = open(path, O_RDONLY | O_CLOEXEC);
  if (events < 0) return false;
  bool empty = !populated(events);
  if (!empty) writeGroupFile(folder, "cgroup.kill", "1");
  // The file reports a change of "populated" as a priority event; the wait is sliced in case
  // a change comes between the read and the poll.
  while (!empty) {
    empty = !populated(events);
    const long left = deadline - jobMonotonicMilliseconds();
    if (empty || left <= 0) break;
    pollfd changed{events, POLLPRI, 0};
    poll(&changed, 1, static_cast<int>(left < 20 ? left : 20));
  }
  close(events);
  return empty;
}

void removeJobCgroup(const std::string& folder, int waitMilliseconds) {
  if (folder.empty()) return;
  if (rmdir(folder.c_str()) == 0 || errno == ENOENT) return;
  killJobCgroup(folder.c_str(), jobMonotonicMilliseconds() + waitMilliseconds);
  rmdir(folder.c_str());
}

void setJobCgroupsOff(bool off) {
  groupsOff.store(off);
}

}  // namespace scf
