#include "platform/job_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/exec_argv_posix.h"
#include "platform/job_cgroup_posix.h"
#include "platform/last_error.h"

extern char** environ;

namespace scf {

namespace {

// What the holder and the program report on the start pipe before the program runs.
struct StartMessage {
  int kind;
  int value;
};
constexpr int programStarted = 1;  // value: the program's pid
constexpr int startFailed = 2;     // value: errno

constexpr int startReportMilliseconds = 10000;
constexpr int outputPipeBytes = 1024 * 1024;
// The launcher's teardown waits at most jobEndMilliseconds for the holder, which must have
// ended the tree by then. Killed processes still need the processor to end, which on a busy
// machine takes far longer than the kill.
constexpr long treeKillMilliseconds = jobEndMilliseconds - 300;
constexpr int treeKillRoundMilliseconds = 2;
constexpr int holderKilledMilliseconds = 100;

// Everything the holder and the program need. The holder is a new image of the launcher's own
// executable (see holderEntry below); where that cannot be started it is a fork, and then only
// async-signal-safe calls are allowed after it, since other launcher threads may hold locks.
struct HolderPlan {
  const char* program;
  char* const* argv;
  const char* workingFolder;  // null: keep the launcher's
  const char* cgroup;         // the job's own control group; null: none
  int control;
  int outputWrite;
  int startWrite;
  pid_t launcherPid;
};

// False with errno set when a write fails (EIO when one writes nothing).
bool writeAll(int fd, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t written = write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void report(int startWrite, int kind, int value) {
  StartMessage message{kind, value};
  writeAll(startWrite, &message, sizeof message);
}

// Keeps descriptors clear of 0..2, which the program's standard streams replace.
int moveAboveStandard(int fd) {
  if (fd < 0 || fd > 2) return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  return moved < 0 ? fd : moved;
}

void closeRange(unsigned first, unsigned last) {
  if (first > last) return;
  if (close_range(first, last, 0) == 0) return;
  for (unsigned fd = first; fd <= last && fd < 65536; ++fd)
    close(static_cast<int>(fd));
}

// The holder keeps only its own descriptors, so it never holds another job's socket or pipe
// open (which would keep that job alive after its launcher end closed).
void closeAllBut(int a, int b, int c) {
  int keep[3] = {a, b, c};
  for (int i = 0; i < 3; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (keep[j] < keep[i]) {
        int t = keep[i];
        keep[i] = keep[j];
        keep[j] = t;
      }
    }
  }
  unsigned next = 3;
  for (int fd : keep) {
    if (fd < 0 || static_cast<unsigned>(fd) < next) continue;
    if (static_cast<unsigned>(fd) > next) closeRange(next, static_cast<unsigned>(fd) - 1);
    next = static_cast<unsigned>(fd) + 1;
  }
  closeRange(next, ~0U);
}

void resetSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  for (int number = 1; number < NSIG; ++number) {
    if (number != SIGKILL && number != SIGSTOP) sigaction(number, &action, nullptr);
  }
}

[[noreturn]] void runProgram(const HolderPlan& plan, int nullInput, pid_t holderPid) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  signal(SIGPIPE, SIG_DFL);
  setpgid(0, 0);
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != holderPid) _exit(127);
  if (nullInput >= 0) {
    dup2(nullInput, STDIN_FILENO);
  } else {
    close(STDIN_FILENO);
  }
  dup2(plan.outputWrite, STDOUT_FILENO);
  dup2(plan.outputWrite, STDERR_FILENO);
  // Before exec, so that nothing the program starts is ever outside the group.
  if (plan.cgroup != nullptr) joinJobCgroup(plan.cgroup);
  if (plan.workingFolder != nullptr && chdir(plan.workingFolder) != 0) {
    report(plan.startWrite, startFailed, errno);
    _exit(127);
  }
  execve(plan.program, plan.argv, environ);
  report(plan.startWrite, startFailed, errno);
  _exit(127);
}

// Reaps every ended child, sending the program's status to the launcher. Returns whether the
// holder still has children, living or not yet reaped.
bool reapChildren(pid_t programPid, int control, bool& programReaped) {
  for (;;) {
    int status = 0;
    pid_t pid = waitpid(-1, &status, WNOHANG);
    if (pid > 0) {
      if (pid == programPid) {
        programReaped = true;
        send(control, &status, sizeof status, MSG_NOSIGNAL);
      }
      continue;
    }
    if (pid < 0 && errno == EINTR) continue;
    return !(pid < 0 && errno == ECHILD);
  }
}

// State and parent of a process from /proc/<pid>/stat; false when it is gone.
bool readStat(const char* pidName, char& state, pid_t& parent) {
  char path[64] = "/proc/";
  std::size_t length = 6;
  for (const char* c = pidName; *c != '\0' && length < 40; ++c)
    path[length++] = *c;
  const char suffix[] = "/stat";
  for (char c : suffix)
    path[length++] = c;
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char stat[512];
  ssize_t size = read(fd, stat, sizeof stat - 1);
  close(fd);
  if (size <= 0) return false;
  // The command name may hold spaces and parentheses: the fields resume after the last ')'.
  ssize_t nameEnd = size - 1;
  while (nameEnd >= 0 && stat[nameEnd] != ')')
    --nameEnd;
  ssize_t at = nameEnd + 4;  // ") S "
  if (nameEnd < 0 || at >= size) return false;
  state = stat[nameEnd + 2];
  parent = 0;
  for (; at < size && stat[at] >= '0' && stat[at] <= '9'; ++at)
    parent = parent * 10 + (stat[at] - '0');
  return true;
}

// A growing array in memory the holder maps itself: after fork from the multi-threaded
// launcher, malloc is best avoided.
template <typename T>
class MappedArray {
 public:
  MappedArray() = default;
  ~MappedArray() {
    if (items_ != nullptr) munmap(items_, capacity_ * sizeof(T));
  }
  MappedArray(const MappedArray&) = delete;
  MappedArray& operator=(const MappedArray&) = delete;

  bool push(const T& item) {
    if (count_ == capacity_) {
      std::size_t grown = capacity_ == 0 ? 4096 : capacity_ * 2;
      void* memory = capacity_ == 0
                         ? mmap(nullptr, grown * sizeof(T), PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                         : mremap(items_, capacity_ * sizeof(T), grown * sizeof(T), MREMAP_MAYMOVE);
      if (memory == MAP_FAILED) return false;
      items_ = static_cast<T*>(memory);
      capacity_ = grown;
    }
    items_[count_++] = item;
    return true;
  }
  void clear() { count_ = 0; }
  T* begin() { return items_; }
  T* end() { return items_ + count_; }
  T& operator[](std::size_t index) { return items_[index]; }
  std::size_t size() const { return count_; }

 private:
  T* items_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};

// Every process of the system with its parent, sorted by pid, and which of them descend from
// a given process.
class ProcessTable {
 public:
  enum Verdict : char { unknown, visiting, inTree, outside };
  struct Entry {
    pid_t pid;
    pid_t parent;
    char state;
    Verdict verdict;
  };

  // Reads /proc afresh and marks the descendants of root; false when /proc cannot be read.
  bool scan(pid_t root) {
    entries_.clear();
    int dir = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    alignas(dirent64) char buffer[8192];
    for (;;) {
      ssize_t size = getdents64(dir, buffer, sizeof buffer);
      if (size <= 0) break;
      for (ssize_t offset = 0; offset < size;) {
        const auto* entry = reinterpret_cast<const dirent64*>(buffer + offset);
        offset += entry->d_reclen;
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
        pid_t pid = 0;
        const char* c = entry->d_name;
        for (; *c >= '0' && *c <= '9'; ++c)
          pid = pid * 10 + (*c - '0');
        Entry found{pid, 0, '?', unknown};
        if (*c != '\0' || !readStat(entry->d_name, found.state, found.parent)) continue;
        if (!entries_.push(found)) break;
      }
    }
    close(dir);
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& a, const Entry& b) { return a.pid < b.pid; });
    markDescendantsOf(root);
    return true;
  }

  bool descends(pid_t pid) {
    const Entry* entry = find(pid);
    return entry != nullptr && entry->verdict == inTree;
  }

  Entry* begin() { return entries_.begin(); }
  Entry* end() { return entries_.end(); }

 private:
  // Each entry is walked once: a chain stops at the first entry already decided.
  void markDescendantsOf(pid_t root) {
    for (Entry& first : entries_) {
      Entry* at = &first;
      Verdict verdict = outside;
      while (at->verdict == unknown) {
        at->verdict = visiting;
        if (at->parent == root) {
          verdict = inTree;
          break;
        }
        Entry* parent = find(at->parent);
        if (parent == nullptr) break;
        at = parent;
      }
      if (at->verdict == inTree || at->verdict == outside) verdict = at->verdict;
      for (at = &first; at != nullptr && at->verdict == visiting; at = find(at->parent))
        at->verdict = verdict;
    }
  }

  Entry* find(pid_t pid) {
    Entry* at = std::lower_bound(entries_.begin(), entries_.end(), pid,
                                 [](const Entry& entry, pid_t value) { return entry.pid < value; });
    return at != entries_.end() && at->pid == pid ? at : nullptr;
  }

  MappedArray<Entry> entries_;
};

long monotonicMilliseconds() {
  return jobMonotonicMilliseconds();
}

struct Pinned {
  pid_t pid;
  int pidfd;
};

// SIGKILLs every living process whose chain of parents reaches the holder, however deep and
// whatever session it left for, all in one pass. A pid seen in a scan may since have been
// reaped by its (dying) parent and reused, so each is first pinned with a pidfd, and only
// those that a second scan, made after pinning, still shows in the tree are signalled. The
// signals then go out back to back: once the first of hundreds of processes are dying, they
// compete with the holder for the processor.
void killDescendants(pid_t self, ProcessTable& table, MappedArray<Pinned>& pins, long deadline) {
  if (!table.scan(self)) return;
  pins.clear();
  for (const ProcessTable::Entry& entry : table) {
    if (entry.verdict != ProcessTable::inTree || entry.state == 'Z') continue;
    int pidfd = static_cast<int>(syscall(SYS_pidfd_open, entry.pid, 0));
    if (pidfd < 0 && errno == ENOSYS) {
      // No pidfds: only the holder's own children, whose pids cannot be reused before it
      // reaps them, are signalled; the rest come to it as their parents die.
      if (entry.parent == self) kill(entry.pid, SIGKILL);
      continue;
    }
    // Out of descriptors: the rest wait for the next round.
    if (pidfd < 0 && (errno == EMFILE || errno == ENFILE)) break;
    if (pidfd < 0) continue;
    if (!pins.push(Pinned{entry.pid, pidfd})) {
      close(pidfd);
      break;
    }
  }
  if (pins.size() == 0) return;
  bool verified = table.scan(self);
  for (const Pinned& pin : pins) {
    if (verified && table.descends(pin.pid)) {
      syscall(SYS_pidfd_send_signal, pin.pidfd, SIGKILL, nullptr, 0);
    }
  }
  // Scanning /proc while hundreds of processes are dying is slow, and they would all show up
  // again: the next round waits until they are gone (a pidfd turns readable at its end).
  for (const Pinned& pin : pins) {
    long left = deadline - monotonicMilliseconds();
    if (left <= 0) break;
    pollfd ended{pin.pidfd, POLLIN, 0};
    poll(&ended, 1, static_cast<int>(left));
  }
  for (const Pinned& pin : pins)
    close(pin.pidfd);
}

// Room for a pidfd per process of a large tree.
void raiseDescriptorLimit() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
  limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

// Kills rounds of the whole tree until the holder has no child left, living or zombie, or
// the time is up. With a control group, one write ends every process in it and the rounds
// only reap; without, processes that fork while being killed, and orphans re-parented to the
// holder meanwhile, are found by the next round.
void killTree(pid_t programPid, int control, bool& programReaped, const char* cgroup) {
  pid_t self = getpid();
  long deadline = monotonicMilliseconds() + treeKillMilliseconds;
  if (cgroup != nullptr) killJobCgroup(cgroup, deadline);
  raiseDescriptorLimit();
  ProcessTable table;
  MappedArray<Pinned> pins;
  for (;;) {
    if (!programReaped) {
      // The group may still be forming (setpgid races with this), so the pid is signalled too.
      kill(-programPid, SIGKILL);
      kill(programPid, SIGKILL);
    }
    if (!reapChildren(programPid, control, programReaped)) return;
    killDescendants(self, table, pins, deadline);
    if (!reapChildren(programPid, control, programReaped)) return;
    if (monotonicMilliseconds() > deadline) return;
    poll(nullptr, 0, treeKillRoundMilliseconds);
  }
}

// The holder's end once the tree is gone: an empty group is removed (the launcher removes it
// too, in case the holder was killed first).
[[noreturn]] void leave(const HolderPlan& plan, int code) {
  if (plan.cgroup != nullptr) rmdir(plan.cgroup);
  _exit(code);
}

[[noreturn]] void holdJob(const HolderPlan& plan, int signals, pid_t programPid) {
  bool programReaped = false;
  for (;;) {
    pollfd watched[2] = {{plan.control, POLLIN, 0}, {signals, POLLIN, 0}};
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      killTree(programPid, plan.control, programReaped, plan.cgroup);
      leave(plan, 1);
    }
    if (watched[1].revents != 0) {
      bool endRequested = false;
      signalfd_siginfo info{};
      while (read(signals, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (info.ssi_signo == SIGCHLD) continue;
        // The parent-death signal also comes when only the starting thread ended.
        if (info.ssi_signo == SIGHUP && getppid() == plan.launcherPid) continue;
        endRequested = true;
      }
      reapChildren(programPid, plan.control, programReaped);
      if (endRequested) {
        killTree(programPid, plan.control, programReaped, plan.cgroup);
        leave(plan, 0);
      }
    }
    if (watched[0].revents != 0) {
      char commands[16];
      ssize_t size = read(plan.control, commands, sizeof commands);
      if (size < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (size <= 0) {
        killTree(programPid, plan.control, programReaped, plan.cgroup);
        leave(plan, 0);
      }
      std::size_t count = static_cast<std::size_t>(size);
      if (std::memchr(commands, jobCloseCommand, count) != nullptr) {
        reapChildren(programPid, plan.control, programReaped);
        if (!programReaped) kill(programPid, SIGTERM);
      }
      if (std::memchr(commands, jobKillCommand, count) != nullptr) {
        killTree(programPid, plan.control, programReaped, plan.cgroup);
      }
    }
  }
}

[[noreturn]] void runHolder(HolderPlan plan) {
  resetSignalHandlers();
  signal(SIGPIPE, SIG_IGN);
  sigset_t watched;
  sigemptyset(&watched);
  for (int number : {SIGCHLD, SIGHUP, SIGTERM, SIGINT, SIGQUIT})
    sigaddset(&watched, number);
  sigprocmask(SIG_SETMASK, &watched, nullptr);
  // Its own group: a Ctrl+C meant for the launcher must not take the holder away from the tree.
  setpgid(0, 0);
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  prctl(PR_SET_PDEATHSIG, SIGHUP);
  if (getppid() != plan.launcherPid) _exit(1);

  plan.control = moveAboveStandard(plan.control);
  plan.outputWrite = moveAboveStandard(plan.outputWrite);
  plan.startWrite = moveAboveStandard(plan.startWrite);
  closeAllBut(plan.control, plan.outputWrite, plan.startWrite);
  int signals = signalfd(-1, &watched, SFD_CLOEXEC | SFD_NONBLOCK);
  if (signals < 0) {
    report(plan.startWrite, startFailed, errno);
    _exit(1);
  }
  int nullInput = moveAboveStandard(open("/dev/null", O_RDONLY | O_CLOEXEC));

  pid_t holderPid = getpid();
  pid_t programPid = fork();
  if (programPid == 0) runProgram(plan, nullInput, holderPid);
  if (programPid < 0) {
    report(plan.startWrite, startFailed, errno);
    _exit(1);
  }
  setpgid(programPid, programPid);
  report(plan.startWrite, programStarted, programPid);
  close(plan.startWrite);
  close(plan.outputWrite);
  if (nullInput >= 0) close(nullInput);
  holdJob(plan, signals, programPid);
}

// The holder as a fresh image of this executable. A forked holder would share every page of
// the launcher's memory copy-on-write for the whole run: each page the launcher then writes
// costs a fault and a flush of every processor's address cache (the first frames after a start
// took tens of milliseconds more), and the holder would pin memory the launcher frees. Started
// with posix_spawn, the launcher only waits for the exec; the new image runs holderEntry before
// anything else and never reaches main.
//
// Its arguments: the holder's name, a mark no user types and the launcher's pid. Its
// descriptors: the control socket, the output pipe and the start pipe as 3, 4 and 5, and as 6
// a file in memory with the working folder (empty: the launcher's), the job's control group
// (empty: none), the program and the program's argument vector, each ended by a NUL (kept out of
// the holder's command line, where tools that look for the kit's processes by their command line
// would find the holder too).
constexpr const char* holderName = "scf-job-holder";
constexpr const char* holderMark = "\x1bscf-job-holder";
constexpr int holderControlFd = 3;
constexpr int holderOutputFd = 4;
constexpr int holderStartFd = 5;
constexpr int holderPlanFd = 6;

// The plan's strings, read whole from the file in memory; false when it is not one.
bool readHolderPlan(std::vector<char>& bytes, std::vector<char*>& strings) {
  const off_t size = lseek(holderPlanFd, 0, SEEK_END);
  if (size <= 0 || size > (off_t{16} << 20)) return false;
  bytes.resize(static_cast<std::size_t>(size));
  std::size_t held = 0;
  while (held < bytes.size()) {
    ssize_t got =
        pread(holderPlanFd, bytes.data() + held, bytes.size() - held, static_cast<off_t>(held));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    held += static_cast<std::size_t>(got);
  }
  close(holderPlanFd);
  if (bytes.back() != '\0') return false;
  for (std::size_t at = 0; at < bytes.size(); at += std::strlen(bytes.data() + at) + 1)
    strings.push_back(bytes.data() + at);
  strings.push_back(nullptr);
  return strings.size() >= 5;  // folder, group, program, the program's name and the end
}

// Runs before main and before other static constructors: in a holder image it holds the job
// and exits; in any other it returns at once.
__attribute__((constructor(101))) void holderEntry(int argc, char** argv, char** /*environ*/) {
  if (argc != 3 || argv == nullptr || std::strcmp(argv[1], holderMark) != 0) return;
  char* end = nullptr;
  const long launcherPid = std::strtol(argv[2], &end, 10);
  if (end == argv[2] || *end != '\0' || launcherPid <= 0) _exit(1);
  // A fresh single-threaded process: the holder may allocate here, before it forks.
  static std::vector<char> bytes;
  static std::vector<char*> strings;
  if (!readHolderPlan(bytes, strings)) {
    report(holderStartFd, startFailed, EINVAL);
    _exit(1);
  }
  HolderPlan plan{strings[2],
                  strings.data() + 3,
                  strings[0][0] == '\0' ? nullptr : strings[0],
                  strings[1][0] == '\0' ? nullptr : strings[1],
                  holderControlFd,
                  holderOutputFd,
                  holderStartFd,
                  static_cast<pid_t>(launcherPid)};
  // Kept across the exec into this image, they must not pass on to the program.
  for (int fd : {holderControlFd, holderOutputFd, holderStartFd}) {
    if (fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) _exit(1);
  }
  runHolder(plan);
}

// The holder's plan in a file in memory (see holderPlanFd); -1 with errno set on failure.
int holderPlanFile(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& workingFolder, const std::string& cgroup) {
  std::string plan = workingFolder;
  plan.push_back('\0');
  plan += cgroup;
  plan.push_back('\0');
  plan += program;
  plan.push_back('\0');
  for (char* argument : execArgv(program, arguments)) {
    if (argument == nullptr) break;
    plan += argument;
    plan.push_back('\0');
  }
  int fd = memfd_create("scf-job-plan", MFD_CLOEXEC);
  if (fd < 0) return -1;
  if (!writeAll(fd, plan.data(), plan.size())) {
    int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

// Starts the holder image with its descriptors in place; returns its pid, or -1 with errno
// set when the system cannot (no /proc, for instance).
pid_t spawnHolder(const std::string& program, const std::vector<std::string>& arguments,
                  const std::string& workingFolder, const std::string& cgroup, int control,
                  int output, int start) {
  std::string launcherPid = std::to_string(getpid());
  std::vector<char*> argv = {const_cast<char*>(holderName), const_cast<char*>(holderMark),
                             launcherPid.data(), nullptr};
  const int plan = holderPlanFile(program, arguments, workingFolder, cgroup);
  if (plan < 0) return -1;

  // Sources above the targets, so that no dup2 overwrites a descriptor still to be moved.
  int high[4] = {fcntl(control, F_DUPFD_CLOEXEC, 10), fcntl(output, F_DUPFD_CLOEXEC, 10),
                 fcntl(start, F_DUPFD_CLOEXEC, 10), fcntl(plan, F_DUPFD_CLOEXEC, 10)};
  close(plan);
  pid_t pid = -1;
  int result = EBADF;
  if (high[0] >= 0 && high[1] >= 0 && high[2] >= 0 && high[3] >= 0) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, high[0], holderControlFd);
    posix_spawn_file_actions_adddup2(&actions, high[1], holderOutputFd);
    posix_spawn_file_actions_adddup2(&actions, high[2], holderStartFd);
    posix_spawn_file_actions_adddup2(&actions, high[3], holderPlanFd);
    posix_spawn_file_actions_addclosefrom_np(&actions, holderPlanFd + 1);
    // Default handlers, every signal held until the holder has set up its own.
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &all);
    result = posix_spawn(&pid, "/proc/self/exe", &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  for (int fd : high) {
    if (fd >= 0) close(fd);
  }
  if (result != 0) {
    errno = result;
    return -1;
  }
  return pid;
}

void closeIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Reads the start pipe until every writer has closed it: the holder after forking, the
// program at exec. Returns the program's pid, or -1 with errorCode set.
int readStartReport(int startRead, int& errorCode) {
  int programPid = -1;
  errorCode = 0;
  char bytes[sizeof(StartMessage) * 4];
  std::size_t held = 0;
  for (;;) {
    pollfd readable{startRead, POLLIN, 0};
    int ready = poll(&readable, 1, startReportMilliseconds);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      errorCode = ready == 0 ? ETIMEDOUT : errno;
      return -1;
    }
    ssize_t size = read(startRead, bytes + held, sizeof bytes - held);
    if (size < 0 && errno == EINTR) continue;
    if (size <= 0) break;
    held += static_cast<std::size_t>(size);
    while (held >= sizeof(StartMessage)) {
      StartMessage message{};
      std::memcpy(&message, bytes, sizeof message);
      std::memmove(bytes, bytes + sizeof message, held - sizeof message);
      held -= sizeof message;
      if (message.kind == programStarted) programPid = message.value;
      if (message.kind == startFailed && errorCode == 0) errorCode = message.value;
    }
  }
  if (errorCode == 0 && programPid <= 0) errorCode = ECHILD;
  return errorCode == 0 ? programPid : -1;
}

// Waits for the holder to end, at most milliseconds, then kills it. The wait wakes as soon as
// it ends (a pidfd turns readable), so a prompt teardown is not rounded up to a polling step.
void reapHolder(pid_t holderPid, int milliseconds) {
  int exitWatch = static_cast<int>(syscall(SYS_pidfd_open, holderPid, 0));
  long deadline = monotonicMilliseconds() + milliseconds;
  for (int attempt = 0; attempt < 2; ++attempt) {
    for (;;) {
      pid_t pid = waitpid(holderPid, nullptr, WNOHANG);
      if (pid == holderPid || (pid < 0 && errno != EINTR)) {
        if (exitWatch >= 0) close(exitWatch);
        return;
      }
      long left = deadline - monotonicMilliseconds();
      if (left <= 0) break;
      if (exitWatch >= 0) {
        pollfd ended{exitWatch, POLLIN, 0};
        poll(&ended, 1, static_cast<int>(std::min(left, 100L)));
      } else {
        poll(nullptr, 0, static_cast<int>(std::min(left, 2L)));
      }
    }
    kill(holderPid, SIGKILL);
    deadline = monotonicMilliseconds() + holderKilledMilliseconds;
  }
  if (exitWatch >= 0) close(exitWatch);
}

}  // namespace

bool startJob(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& workingFolder, Job& job, std::string& error) {
  std::vector<char*> argv = execArgv(program, arguments);

  int output[2] = {-1, -1};
  int control[2] = {-1, -1};
  int start[2] = {-1, -1};
  if (pipe2(output, O_CLOEXEC) != 0 ||
      socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, control) != 0 ||
      pipe2(start, O_CLOEXEC) != 0) {
    error = lastErrorText();
    for (int* pair : {output, control, start}) {
      closeIfOpen(pair[0]);
      closeIfOpen(pair[1]);
    }
    return false;
  }

  // A larger pipe lets a fast writer run ahead of the reader with fewer wake-ups.
  fcntl(output[0], F_SETPIPE_SZ, outputPipeBytes);

  const std::string cgroup = makeJobCgroup();
  pid_t holderPid =
      spawnHolder(program, arguments, workingFolder, cgroup, control[1], output[1], start[1]);
  int forkError = errno;
  if (holderPid < 0) {
    HolderPlan plan{program.c_str(),
                    argv.data(),
                    workingFolder.empty() ? nullptr : workingFolder.c_str(),
                    cgroup.empty() ? nullptr : cgroup.c_str(),
                    control[1],
                    output[1],
                    start[1],
                    getpid()};
    // No launcher signal handler may run in the holder before it has reset them all.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    holderPid = fork();
    if (holderPid == 0) runHolder(plan);
    forkError = errno;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  }
  closeIfOpen(output[1]);
  closeIfOpen(control[1]);
  closeIfOpen(start[1]);
  if (holderPid < 0) {
    error = errorText(forkError);
    closeIfOpen(output[0]);
    closeIfOpen(control[0]);
    closeIfOpen(start[0]);
    removeJobCgroup(cgroup, 0);
    return false;
  }

  int errorCode = 0;
  int programPid = readStartReport(start[0], errorCode);
  closeIfOpen(start[0]);
  job = Job{holderPid, programPid, control[0], output[0], cgroup};
  if (programPid < 0) {
    error = errorText(errorCode);
    closeIfOpen(job.output);
    endJob(job, jobEndMilliseconds);
    return false;
  }
  return true;
}

void endJob(Job& job, int milliseconds) {
  closeIfOpen(job.control);
  if (job.holderPid > 0) reapHolder(job.holderPid, milliseconds);
  // The holder removes the group once the tree is gone; one it could not finish is ended here.
  removeJobCgroup(job.cgroup, holderKilledMilliseconds * 5);
  job = Job{};
}

}  // namespace scf
