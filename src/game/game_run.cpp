#include "game/game_run.h"

#include <string>

#include "app/app.h"
#include "app/task_table.h"
#include "app/window.h"
#include "game/game_contract.h"
#include "platform/file_list.h"
#include "release/rebuild_check.h"

namespace scf {

namespace {

// The newest report not in known; on equal times the later listed wins. Empty when none.
std::string newestNewReport(const std::vector<FileEntry>& listing,
                            const std::set<std::string>& known) {
  const FileEntry* best = nullptr;
  for (const FileEntry& entry : listing) {
    if (known.count(entry.path)) continue;
    if (!best || entry.writeTime >= best->writeTime) best = &entry;
  }
  return best ? best->path : std::string();
}

}  // namespace

void GameRun::launch(App& app) {
  GameRun& game = app.game;
  if (!gameIsBuilt(app) || !mayStart(app, Task::game)) return;

  game.knownReports.clear();
  for (const FileEntry& entry : listFiles(app.layout.crashesDir, crashReportSuffix)) {
    game.knownReports.insert(entry.path);
  }
  game.crashReport.clear();
  game.startError.clear();
  app.build.statusText.clear();
  app.build.status = BuildRun::Status::none;
  game.closedUnexpectedly = false;

  std::string error;
  if (!game.process.start(gameCommand(app.layout), false, error)) {
    game.startError = error;
    return;
  }
  game.gameRunning = true;
  hideWindow();
  game.windowHiddenForGame = true;
}

void GameRun::finish(App& app) {
  GameRun& game = app.game;
  if (!game.gameRunning || game.process.running()) return;

  game.gameRunning = false;
  game.gameExitCode = game.process.exitCode();
  game.crashReport =
      newestNewReport(listFiles(app.layout.crashesDir, crashReportSuffix), game.knownReports);
  game.closedUnexpectedly = game.crashReport.empty() && game.gameExitCode != 0;

  showWindow();
  game.windowHiddenForGame = false;
}

bool gameIsBuilt(const App& app) {
  return gameIsBuilt(app.layout);
}

}  // namespace scf
