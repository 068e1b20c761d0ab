#pragma once

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"

namespace scf::test {

// Polls condition every 10 ms for at most milliseconds (a generous bound, not a timing claim).
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// /proc/<pid>/stat, empty when the process is gone (even while it is being read).
inline std::string procStat(int pid) {
  std::string path = "/proc/" + std::to_string(pid) + "/stat";
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  char text[1024];
  ssize_t size = read(fd, text, sizeof text);
  close(fd);
  return size > 0 ? std::string(text, static_cast<std::size_t>(size)) : std::string();
}

// The fields after the command name: state, parent, group, ...; empty when gone.
inline std::string procFields(int pid) {
  std::string stat = procStat(pid);
  auto nameEnd = stat.rfind(')');
  return nameEnd == std::string::npos ? std::string() : stat.substr(nameEnd + 2);
}

// True when no process has this pid, or only its zombie is left.
inline bool processGone(int pid) {
  if (::kill(pid, 0) != 0) return errno == ESRCH;
  std::string fields = procFields(pid);
  return fields.empty() || fields[0] == 'Z';
}

inline bool groupGone(int pgid) {
  return ::kill(-pgid, 0) != 0 && errno == ESRCH;
}

struct TempFolder {
  std::filesystem::path path;
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "scf-proc-XXXXXX").string();
    path = mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string file(const std::string& name) const { return (path / name).string(); }
};

// The pids the tree script wrote, once all are there.
inline std::vector<int> readTreePids(const std::string& file) {
  std::vector<int> pids;
  if (!waitUntil([&] { return std::filesystem::exists(file); })) return pids;
  std::ifstream in(file);
  for (int pid = 0; in >> pid;)
    pids.push_back(pid);
  return pids;
}

inline bool allGone(const std::vector<int>& pids) {
  for (int pid : pids) {
    if (!processGone(pid)) return false;
  }
  return true;
}

// Runs a /bin/sh script captured to its end and returns every line it printed.
inline std::vector<std::string> shellLines(const std::string& script) {
  ChildProcess child;
  std::string error;
  std::vector<std::string> lines;
  if (!child.start("/bin/sh", {"-c", script}, "", true, error)) return {"start failed: " + error};
  waitUntil([&] {
    for (std::string& line : child.takeLines())
      lines.push_back(std::move(line));
    return !child.running();
  });
  child.waitReader(2000);
  for (std::string& line : child.takeLines())
    lines.push_back(std::move(line));
  return lines;
}

}  // namespace scf::test
