#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/process.h"

namespace scf {

struct ReleaseLayout;

// What the game needs from the window that starts it: out of the way while the game runs.
class GameHost {
 public:
  virtual ~GameHost() = default;
  virtual void hideWindow() = 0;
  virtual void showWindow() = 0;
};

// The built game: started free-standing, the launcher's window hidden while it runs, its end
// and its crash report noticed afterwards.
struct GameRun {
  ChildProcess process;
  bool gameRunning = false;
  bool windowHiddenForGame = false;
  std::set<std::string> knownReports;  // crash reports present when the game started
  std::string crashReport;             // the new crash report of the last run
  std::int32_t gameExitCode = 0;
  bool closedUnexpectedly = false;
  std::string startError;

  // Starts the game of the layout, noting the crash reports already there; the window is hidden
  // only when the game started (startError says why it did not).
  void launch(const ReleaseLayout& layout, GameHost& host);
  // Every turn while the game runs; does nothing until its process has ended, then reads its
  // outcome, shows the window again and returns true.
  bool finish(const ReleaseLayout& layout, GameHost& host);
};

}  // namespace scf
