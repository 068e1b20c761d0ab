#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#ifdef _WIN32
#include "platform/process_faults_win32.h"
#endif
#include "platform/utf8_path.h"
#include "support/test_support.h"

namespace scf::test {

// The child program of these tests (helpers/process_helper.cpp), the same on every system.
inline const std::string processHelper = SCF_PROCESS_HELPER;

// Polls condition every 10 ms for at most milliseconds (a generous bound, not a timing claim).
inline bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

#ifndef _WIN32
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

inline bool groupGone(int pgid) {
  return ::kill(-pgid, 0) != 0 && errno == ESRCH;
}
#endif

// A teardown that takes longer than this waits without a bound: the product's own bound is a
// few seconds, and the rest is room for a busy machine, so only a hang fails a test.
inline constexpr double teardownHangSeconds = 60.0;

// True when no process has this pid, or only its zombie (on Windows: its ended object) is
// left.
inline bool processGone(int pid) {
#ifdef _WIN32
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
#else
  if (::kill(pid, 0) != 0) return errno == ESRCH;
  std::string fields = procFields(pid);
  return fields.empty() || fields[0] == 'Z';
#endif
}

// Ends a process a failed check left running, so it holds nothing of the test open.
inline void endProcess(int pid) {
#ifdef _WIN32
  HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return;
  TerminateProcess(process, 1);
  CloseHandle(process);
#else
  ::kill(pid, SIGKILL);
#endif
}

struct TempFolder {
  testing::TempFolder folder;
  std::filesystem::path path = utf8Path(folder.path());
  std::string file(const std::string& name) const { return folder / name; }
};

#ifdef _WIN32
// Plants one of the child-process code's test faults for as long as it lives.
class PlantedFault {
 public:
  explicit PlantedFault(void (*set)(bool)) : set_(set) { set_(true); }
  ~PlantedFault() { set_(false); }
  PlantedFault(const PlantedFault&) = delete;
  PlantedFault& operator=(const PlantedFault&) = delete;

 private:
  void (*set_)(bool);
};
#endif

// The pids a tree wrote, once all are there.
inline std::vector<int> readTreePids(const std::string& file, int milliseconds = 5000) {
  std::vector<int> pids;
  if (!waitUntil([&] { return std::filesystem::exists(utf8Path(file)); }, milliseconds)) {
    return pids;
  }
  std::ifstream in(utf8Path(file));
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

// Runs a program captured to its end and returns every line it printed.
inline std::vector<std::string> capturedLines(const std::string& program,
                                              const std::vector<std::string>& arguments,
                                              const std::string& workingFolder = "") {
  ChildProcess child;
  std::string error;
  std::vector<std::string> lines;
  if (!child.start(program, arguments, workingFolder, true, error)) {
    return {"start failed: " + error};
  }
  waitUntil(
      [&] {
        for (std::string& line : child.takeLines())
          lines.push_back(std::move(line));
        return !child.running();
      },
      30000);
  child.waitReader(2000);
  for (std::string& line : child.takeLines())
    lines.push_back(std::move(line));
  return lines;
}

// The helper program run captured in the given mode.
inline std::vector<std::string> helperLines(const std::vector<std::string>& arguments,
                                            const std::string& workingFolder = "") {
  return capturedLines(processHelper, arguments, workingFolder);
}

#ifndef _WIN32
// Runs a /bin/sh script captured to its end and returns every line it printed.
inline std::vector<std::string> shellLines(const std::string& script) {
  return capturedLines("/bin/sh", {"-c", script});
}
#endif

}  // namespace scf::test
