#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/process.h"

namespace scf {

struct App;

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

  static void launch(App& app);
  // Every turn while the game runs; does nothing until its process has ended.
  static void finish(App& app);
};

// The built game's executable and the disc's boot file are both there.
bool gameIsBuilt(const App& app);

}  // namespace scf
