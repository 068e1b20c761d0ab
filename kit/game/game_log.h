#pragma once

#include <cstdio>
#include <string>

namespace scf_demo {

// The game's log, <user>/logs/scf.log, written anew at each start and flushed line by line.
class GameLog {
 public:
  ~GameLog();
  bool open(const std::string& path);
  // Writes a time-stamped line to the log and to standard error.
  void line(const std::string& text);

 private:
  std::FILE* file_ = nullptr;
};

// Local time as "YYYYmmdd-HHMMSS", for file names.
std::string fileTimeStamp();

// Writes <crashesDir>/crash-<time>.txt and returns its path (empty when it could not be written).
std::string writeCrashReport(const std::string& crashesDir, double secondsRunning,
                             const std::string& elf, const std::string& iso);

}  // namespace scf_demo
