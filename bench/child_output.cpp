// Lines per second from a fast-writing child: through ChildProcess (reader thread, one
// takeLineBatch per 16 ms frame into a batch kept across frames, as the frame loop takes
// output) against reading the same lines from a raw pipe into /dev/null. Also the longest a
// frame spent taking its lines and letting go of the ones it took before.
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
#include <string_view>
#include <thread>
#include <vector>

#include "platform/process.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr long lineCount = 1000000;
constexpr std::size_t lineLength = 80;  // without its line feed
constexpr int runs = 5;
constexpr double ratioTarget = 0.8;
constexpr double frameTargetMs = 2.0;

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
  double worstFrameMs = 0;  // take + letting go of the previous frame's lines
  long lines = 0;
  long badLines = 0;
};

// The slot and the batch are kept across runs, as App keeps a slot per activity and the
// frame loop its batch.
Measure throughChildProcess(const std::string& self, scf::ChildProcess& child,
                            scf::LineBatch& lines) {
  Measure measure;
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
    // Taking clears the batch first: the previous frame's lines are let go of here.
    auto takeStart = Clock::now();
    child.takeLineBatch(lines);
    measure.worstFrameMs = std::max(measure.worstFrameMs, secondsSince(takeStart) * 1000.0);
    for (std::string_view line : lines) {
      if (line.size() != lineLength) ++measure.badLines;
    }
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

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write") == 0) return writeLines(std::atol(argv[2]));
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();

  std::vector<double> ratios;
  double worstFrame = 0;
  scf::ChildProcess slot;
  scf::LineBatch lines;
  bool complete = true;
  for (int run = 0; run < runs; ++run) {
    Measure raw = rawPipe(self);
    Measure child = throughChildProcess(self, slot, lines);
    double ratio = raw.linesPerSecond > 0 ? child.linesPerSecond / raw.linesPerSecond : 0;
    std::printf(
        "run %d: raw %.0f lines/s (%ld lines), ChildProcess %.0f lines/s (%ld lines), "
        "ratio %.2fx, worst frame %.3f ms\n",
        run + 1, raw.linesPerSecond, raw.lines, child.linesPerSecond, child.lines, ratio,
        child.worstFrameMs);
    ratios.push_back(ratio);
    worstFrame = std::max(worstFrame, child.worstFrameMs);
    complete = complete && child.lines == lineCount && child.badLines == 0;
  }
  double ratio = median(ratios);
  std::printf("median ratio:  %.2fx (target >= %.2fx) %s\n", ratio, ratioTarget,
              ratio >= ratioTarget ? "ok" : "BELOW TARGET");
  std::printf("worst frame:   %.3f ms taking and letting go of lines (target <= %.0f ms) %s\n",
              worstFrame, frameTargetMs, worstFrame <= frameTargetMs ? "ok" : "ABOVE TARGET");
  std::printf("lines:         %s\n", complete ? "all arrived whole" : "SOME LOST OR CUT");
  return 0;
}
