#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_line_batch.h"

namespace scf {

// A program to start: full path (never looked up on PATH), arguments, working folder (empty:
// the launcher's own).
struct ChildCommand {
  std::string program;
  std::vector<std::string> arguments;
  std::string workingFolder;
};

#ifdef _WIN32
struct ReaderLink;  // what an output reader thread shares with its record
#endif

// One slot for a started program. The object is the slot: start() tears down the run it
// holds (ending a captured tree) and then starts the new one, so an App field of this type
// always holds a record, empty before the first start and after a failed one.
//
// Captured runs merge standard output and error into lines read by a background thread, and
// put the program with everything it starts into a job that ends when the record is torn
// down, on kill(), or when the launcher dies. Uncaptured runs (the game) get their own session
// (on Windows: no job and no inherited handle) and outlive the launcher.
//
// Every operation belongs to the thread that owns the slot (the UI thread).
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // On failure returns false with the system's message in error; the slot is then empty.
  bool start(const std::string& program, const std::vector<std::string>& arguments,
             const std::string& workingFolder, bool capture, std::string& error);
  bool start(const ChildCommand& command, bool capture, std::string& error) {
    return start(command.program, command.arguments, command.workingFolder, capture, error);
  }

  // True while the process exists and has not ended; false for an empty record.
  bool running();
  // The exit code of an ended process; 128 + N after death by signal N; 1 when it was ended
  // by kill(); -1 while it runs, for an empty record, or when the code cannot be read.
  std::int32_t exitCode();
  std::uint32_t processId() const { return processId_; }
  // Moves every queued complete line into batch, oldest first, replacing what batch held. The
  // batch's room goes to the reader to fill next, so a caller that keeps one batch and takes
  // into it every frame allocates and frees nothing in the steady state, and the take itself
  // is a swap under the lock:
  //
  //   LineBatch lines;  // kept across frames
  //   child.takeLineBatch(lines);
  //   for (std::string_view line : lines) handle(line);
  //
  // The queue holds at most about queueLimitBytes of text: beyond it the reader stops reading
  // until the queue is taken, and the child waits on its full pipe. A child printing faster than
  // the frame loop takes its lines is slowed down instead of filling the launcher's memory, so
  // an owner of a captured run takes its lines every turn while the run lasts.
  void takeLineBatch(LineBatch& batch);
  // The same, into a new batch.
  LineBatch takeLineBatch();
  // The same, each line copied into its own string (for callers that keep the lines).
  std::vector<std::string> takeLines();
  // Ends the job (captured) or the process (uncaptured); returns at once.
  void kill();
  // Returns when the reader has seen the end of the output or after milliseconds. From then on
  // the reader queues the rest whatever its size: the owner takes it after this wait.
  void waitReader(int milliseconds);
  // True once the reader has queued the last line (always for uncaptured runs).
  bool readerDone() const { return readerDone_.load(); }
  // Asks the program to close its window, as the user would (SIGTERM on Linux, WM_CLOSE to
  // its visible top-level windows on Windows); does not wait. A window may not exist yet
  // shortly after start, so callers repeat the request until the program ends.
  void askToClose();

 private:
  void tearDown();
  bool startCaptured(const std::string& program, const std::vector<std::string>& arguments,
                     const std::string& workingFolder, std::string& error);
  bool startUncaptured(const std::string& program, const std::vector<std::string>& arguments,
                       const std::string& workingFolder, std::string& error);

#ifdef _WIN32
  void endTree();

  // Windows handles, kept as void* so that this header needs no windows.h.
  void* process_ = nullptr;
  void* job_ = nullptr;  // captured runs: the kill-on-close job holding the whole tree
  void* pipeRead_ = nullptr;
  void* reader_ = nullptr;  // the reader thread, whose blocked read teardown may cancel
  // What the reader shares with the record; a reader that teardown gave up on keeps it.
  std::shared_ptr<ReaderLink> readerLink_;
  std::uint32_t processId_ = 0;
  // A captured run the system would not put in a job: its tree is ended by walking the
  // process list instead.
  bool treeWithoutJob_ = false;
#else
  void readOutput();
  void pollJobStatus();

  int processPid_ = -1;    // our child (uncaptured) or the job's main process (captured)
  int holderPid_ = -1;     // the job holder (captured runs)
  int jobControl_ = -1;    // our end of the job holder's control socket
  std::string jobCgroup_;  // the job's own control group, when the system gave it one
  int pipeRead_ = -1;
  int readerWake_ = -1;  // written at teardown to end a read that descendants keep open
  std::uint32_t processId_ = 0;
  bool ended_ = false;
  bool statusKnown_ = false;
  int waitStatus_ = 0;
  bool killed_ = false;
  std::string statusBytes_;  // a wait status arriving from the holder in pieces

  std::thread reader_;
#endif
  // Reader side of the queue's limit: returns when the queue has room again, or when the owner
  // no longer wants a limit (waitReader, teardown); waits at most waitSliceMs per look.
  void waitForQueueRoom();

 public:
  static constexpr std::size_t queueLimitBytes = std::size_t{4} << 20;

 private:
  std::mutex queueLock_;
  LineBatch lines_;
  std::condition_variable queueTaken_;       // notified when the owner took the queue
  std::atomic<bool> queueUnlimited_{false};  // the owner waits for the end, or teardown runs
  std::atomic<bool> readerDone_{true};
};

}  // namespace scf
