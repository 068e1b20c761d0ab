#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <system_error>

#include "platform/exec_argv_posix.h"
#include "platform/job_posix.h"
#include "platform/last_error.h"
#include "platform/line_splitter.h"
#include "platform/process.h"

extern char** environ;

namespace scf {

namespace {

constexpr std::size_t readChunk = std::size_t{256} * 1024;
constexpr std::size_t keptQueueBytes = std::size_t{128} << 20;

void closeIfOpen(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

void sleepMilliseconds(int milliseconds) {
  poll(nullptr, 0, milliseconds);
}

// An uncaptured child outlives its record, but it is still the launcher's child: unless
// something waits for it, its end leaves a zombie for the rest of the launcher's life.
void reapWhenItEnds(pid_t pid) {
  if (waitpid(pid, nullptr, WNOHANG) != 0) return;
  try {
    std::thread([pid] {
      while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the zombie is left to the launcher's exit.
  }
}

}  // namespace

ChildProcess::~ChildProcess() {
  tearDown();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder, bool capture, std::string& error) {
  tearDown();
  return capture ? startCaptured(program, arguments, workingFolder, error)
                 : startUncaptured(program, arguments, workingFolder, error);
}

bool ChildProcess::startCaptured(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::string& workingFolder, std::string& error) {
  readerWake_ = eventfd(0, EFD_CLOEXEC);
  if (readerWake_ < 0) {
    error = lastErrorText();
    return false;
  }
  Job job;
  if (!startJob(program, arguments, workingFolder, job, error)) {
    closeIfOpen(readerWake_);
    return false;
  }
  holderPid_ = job.holderPid;
  jobCgroup_ = job.cgroup;
  jobControl_ = job.control;
  pipeRead_ = job.output;
  processPid_ = job.programPid;
  processId_ = static_cast<std::uint32_t>(job.programPid);
  readerDone_ = false;
  queueUnlimited_ = false;
  try {
    reader_ = std::thread([this] { readOutput(); });
  } catch (const std::system_error& failure) {
    readerDone_ = true;
    error = errorText(failure.code().value());
    tearDown();
    return false;
  }
  return true;
}

bool ChildProcess::startUncaptured(const std::string& program,
                                   const std::vector<std::string>& arguments,
                                   const std::string& workingFolder, std::string& error) {
  std::vector<char*> argv = execArgv(program, arguments);

  posix_spawnattr_t attributes;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_init(&actions);
  // Its own session, default signal handling and no inherited descriptor at all, its
  // standard streams on /dev/null: the game outlives the launcher and must not hold a pipe of
  // the launcher's (or of whoever started the launcher) open after it exits.
  sigset_t all;
  sigset_t none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  if (!workingFolder.empty()) {
    posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
  }
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);

  pid_t pid = -1;
  int result = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (result != 0) {
    error = errorText(result);
    return false;
  }
  processPid_ = pid;
  processId_ = static_cast<std::uint32_t>(pid);
  return true;
}

void ChildProcess::readOutput() {
  LineSplitter splitter;
  std::vector<char> buffer(readChunk);
  // The queue is only ever filled here, so the reader can take it back, add to it outside the
  // lock, and put it back: the lock is held for two swaps, never for a copy or an allocation,
  // and a frame's take never waits for more than that. A take in between finds the queue
  // empty and gets the lines at the next frame. The rooms of the batches circulate between
  // the reader, the queue and the frame loop, so nothing is freed on either side.
  LineBatch adding;
  auto addLines = [&](auto&& add) {
    {
      std::lock_guard<std::mutex> lock(queueLock_);
      lines_.swap(adding);
    }
    add(adding);
    std::lock_guard<std::mutex> lock(queueLock_);
    lines_.swap(adding);  // the queue was left empty; the reader keeps the room it held
  };
  for (;;) {
    pollfd watched[2] = {{pipeRead_, POLLIN, 0}, {readerWake_, POLLIN, 0}};
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (watched[1].revents != 0) break;
    ssize_t size = read(pipeRead_, buffer.data(), buffer.size());
    if (size < 0 && errno == EINTR) continue;
    if (size <= 0) break;
    splitter.scan(buffer.data(), static_cast<std::size_t>(size));
    if (splitter.nothingFound()) {
      splitter.addTo(adding);  // only keeps the bytes as pending; no batch is touched
      continue;
    }
    addLines([&](LineBatch& queue) { splitter.addTo(queue); });
    waitForQueueRoom();
  }
  addLines([&](LineBatch& queue) { splitter.finish(queue); });
  readerDone_.exchange(true);
}

void ChildProcess::pollJobStatus() {
  char bytes[sizeof(int)];
  while (!ended_) {
    ssize_t size = recv(jobControl_, bytes, sizeof(int) - statusBytes_.size(), MSG_DONTWAIT);
    if (size < 0 && errno == EINTR) continue;
    if (size < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (size <= 0) {
      // The holder went away without reporting: the code cannot be read.
      ended_ = true;
      return;
    }
    statusBytes_.append(bytes, static_cast<std::size_t>(size));
    if (statusBytes_.size() == sizeof(int)) {
      std::memcpy(&waitStatus_, statusBytes_.data(), sizeof(int));
      statusKnown_ = true;
      ended_ = true;
    }
  }
}

bool ChildProcess::running() {
  if (processPid_ <= 0 || ended_) return false;
  if (jobControl_ >= 0) {
    pollJobStatus();
    return !ended_;
  }
  int status = 0;
  pid_t pid = waitpid(processPid_, &status, WNOHANG);
  if (pid == 0 || (pid < 0 && errno == EINTR)) return true;
  ended_ = true;
  if (pid == processPid_) {
    statusKnown_ = true;
    waitStatus_ = status;
  }
  return false;
}

std::int32_t ChildProcess::exitCode() {
  if (running() || !statusKnown_) return -1;
  if (WIFEXITED(waitStatus_)) return WEXITSTATUS(waitStatus_);
  if (WIFSIGNALED(waitStatus_)) return killed_ ? 1 : 128 + WTERMSIG(waitStatus_);
  return -1;
}

void ChildProcess::kill() {
  if (jobControl_ >= 0) {
    // The job is ended even when its main process already has: descendants may remain.
    if (running()) killed_ = true;
    send(jobControl_, &jobKillCommand, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    return;
  }
  if (running()) {
    killed_ = true;
    ::kill(processPid_, SIGKILL);
  }
}

void ChildProcess::waitReader(int milliseconds) {
  queueUnlimited_ = true;
  queueTaken_.notify_one();
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!readerDone_.load() && std::chrono::steady_clock::now() < deadline) {
    sleepMilliseconds(10);
  }
}

void ChildProcess::askToClose() {
  if (jobControl_ >= 0) {
    // The holder signals the program only while it has not reaped it, so the signal never
    // reaches an unrelated process that was given the same pid in the meantime.
    if (running()) send(jobControl_, &jobCloseCommand, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    return;
  }
  if (running()) ::kill(processPid_, SIGTERM);
}

void ChildProcess::tearDown() {
  // Closing our end of the control socket makes the holder end the whole tree; the holder
  // itself is waited for within a bound (jobEndMilliseconds).
  closeIfOpen(jobControl_);
  if (holderPid_ > 0) {
    Job job{holderPid_, processPid_, -1, -1, jobCgroup_};
    endJob(job, jobEndMilliseconds);
  } else if (processPid_ > 0 && !ended_) {
    reapWhenItEnds(processPid_);
  }
  if (reader_.joinable()) {
    // The tree is gone with its holder, and its queued lines are dropped below: a writer
    // still holding the pipe open is outside the tree, so the read is ended at once.
    queueUnlimited_ = true;
    queueTaken_.notify_one();
    if (!readerDone_.load()) {
      std::uint64_t one = 1;
      [[maybe_unused]] ssize_t ignored = write(readerWake_, &one, sizeof one);
    }
    reader_.join();
  }
  closeIfOpen(pipeRead_);
  closeIfOpen(readerWake_);
  holderPid_ = -1;
  jobCgroup_.clear();
  processPid_ = -1;
  processId_ = 0;
  ended_ = false;
  statusKnown_ = false;
  waitStatus_ = 0;
  killed_ = false;
  statusBytes_.clear();
  readerDone_ = true;
  // The slot keeps the queue's room for its next run (fresh memory must be zeroed by the
  // system, which costs more than reading a fast child's output), unless it is very large.
  LineBatch dropped;
  std::lock_guard<std::mutex> lock(queueLock_);
  if (lines_.roomBytes() > keptQueueBytes) lines_.swap(dropped);
  lines_.clear();
}

}  // namespace scf
