// Lines per second from a fast-writing child: through ChildProcess (reader thread, one
// takeLines per 16 ms frame) against reading the same kind of pipe raw into /dev/null.
// Run without arguments; "--write N" is the child's mode (N lines of 80 bytes).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr long lineCount = 1000000;
constexpr std::size_t lineLength = 80;  // without its line feed
constexpr int runs = 3;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

int writeLines(long count) {
  std::string line(lineLength, 'x');
  line += '\n';
  std::string block;
  for (int i = 0; i < 800; ++i)
    block += line;
  long perBlock = 800;
  for (long written = 0; written < count;) {
    long lines = std::min(perBlock, count - written);
    const char* data = block.data();
    std::size_t size = static_cast<std::size_t>(lines) * line.size();
    while (size > 0) {
      ssize_t done = write(STDOUT_FILENO, data, size);
      if (done <= 0) return 1;
      data += done;
      size -= static_cast<std::size_t>(done);
    }
    written += lines;
  }
  return 0;
}

struct Measure {
  double linesPerSecond = 0;
  double longestTakeMs = 0;
  long lines = 0;
};

Measure throughChildProcess(const std::string& self) {
  Measure measure;
  scf::ChildProcess child;
  std::string error;
  auto start = Clock::now();
  if (!child.start(self, {"--write", std::to_string(lineCount)}, "", true, error)) {
    std::fprintf(stderr, "start failed: %s\n", error.c_str());
    return measure;
  }
  // Frames take lines every 16 ms; between them the end of the output is noted to the
  // millisecond, so the figure is the pipeline's rate rather than the frame period's.
  double readerSeconds = 0;
  auto frame = Clock::now();
  for (;;) {
    frame += std::chrono::milliseconds(16);
    while (Clock::now() < frame) {
      if (readerSeconds == 0 && child.readerDone()) readerSeconds = secondsSince(start);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bool ended = !child.running();
    if (ended) child.waitReader(2000);
    auto takeStart = Clock::now();
    std::vector<std::string> lines = child.takeLines();
    measure.longestTakeMs = std::max(measure.longestTakeMs, secondsSince(takeStart) * 1000.0);
    measure.lines += static_cast<long>(lines.size());
    if (ended || measure.lines >= lineCount) break;
  }
  if (readerSeconds == 0) readerSeconds = secondsSince(start);
  measure.linesPerSecond = static_cast<double>(measure.lines) / readerSeconds;
  return measure;
}

Measure rawPipe(const std::string& self) {
  Measure measure;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) return measure;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  std::string count = std::to_string(lineCount);
  std::vector<char*> argv = {const_cast<char*>(self.c_str()), const_cast<char*>("--write"),
                             count.data(), nullptr};
  auto start = Clock::now();
  pid_t pid = -1;
  int result = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (result != 0) {
    close(pipeFds[0]);
    return measure;
  }
  int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  std::vector<char> buffer(std::size_t{64} * 1024);
  long bytes = 0;
  for (;;) {
    ssize_t size = read(pipeFds[0], buffer.data(), buffer.size());
    if (size <= 0) break;
    bytes += size;
    [[maybe_unused]] ssize_t ignored =
        write(devNull, buffer.data(), static_cast<std::size_t>(size));
  }
  measure.lines = bytes / static_cast<long>(lineLength + 1);
  measure.linesPerSecond = static_cast<double>(measure.lines) / secondsSince(start);
  close(devNull);
  close(pipeFds[0]);
  waitpid(pid, nullptr, 0);
  return measure;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write") == 0) return writeLines(std::atol(argv[2]));
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();

  double bestChild = 0;
  double bestRaw = 0;
  double longestTake = 0;
  for (int run = 0; run < runs; ++run) {
    Measure raw = rawPipe(self);
    Measure child = throughChildProcess(self);
    std::printf(
        "run %d: raw %.0f lines/s (%ld lines), ChildProcess %.0f lines/s (%ld lines), "
        "longest takeLines %.3f ms\n",
        run + 1, raw.linesPerSecond, raw.lines, child.linesPerSecond, child.lines,
        child.longestTakeMs);
    bestRaw = std::max(bestRaw, raw.linesPerSecond);
    bestChild = std::max(bestChild, child.linesPerSecond);
    longestTake = std::max(longestTake, child.longestTakeMs);
  }
  double ratio = bestRaw > 0 ? bestChild / bestRaw : 0;
  std::printf("best raw pipe:      %.0f lines/s\n", bestRaw);
  std::printf("best ChildProcess:  %.0f lines/s\n", bestChild);
  std::printf("ratio:              %.2fx (target >= 0.50x) %s\n", ratio,
              ratio >= 0.5 ? "ok" : "BELOW TARGET");
  std::printf("longest takeLines:  %.3f ms (target <= 2 ms) %s\n", longestTake,
              longestTake <= 2.0 ? "ok" : "ABOVE TARGET");
  return 0;
}
