#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace scf {

enum StageState : int {
  kStagePending = 0,
  kStageRunning = 1,
  kStageDone = 2,
  kStageSkipped = 3,
  kStageFailed = 4,
};

struct Stage {
  std::string key;
  int state = kStagePending;
  int percent = 0;
  double seconds = 0;  // how long a done stage took
  double started = 0;  // monotonic time it began running
  double weight = 0;   // its expected length in seconds
};

// The current build run as the kit's output lines describe it.
struct BuildProgress {
  std::vector<Stage> stages;
  std::string failedStage;
  std::string failureText;
  // The kit's last output lines but its PERCENT lines (at most kKeptOutputLines, whatever it
  // prints) and how many lines it printed in this run.
  static constexpr std::size_t kKeptOutputLines = 60;
  std::deque<std::string> outputLines;
  std::uint64_t outputLineCount = 0;
  bool finished = false;
  double runStart = 0;

  void reset(double now);
  // For a resumed build: the stages already done or skipped stay so until the kit reports on
  // them again, so the screen does not fall back to nothing while it starts.
  void resetForResume(double now);
  void feed(std::string_view line, double now);
  double fraction() const;
  // -1 while unknown.
  double secondsLeft(double now) const;
  // Index of the first running stage, or -1.
  int runningStage() const;
};

// A stage key as the user reads it; an unknown key is shown as it is.
std::string stageLabel(std::string_view key);
// "m:ss" below an hour, "h:mm:ss" from an hour on.
std::string formatDuration(double seconds);

}  // namespace scf
