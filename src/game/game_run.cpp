#include "game/game_run.h"

#include <string>

#include "game/game_contract.h"
#include "platform/file_list.h"
#include "release/release_layout.h"

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

void GameRun::launch(const ReleaseLayout& layout, GameHost& host) {
  knownReports.clear();
  for (const FileEntry& entry : listFiles(layout.crashesDir, crashReportSuffix)) {
    knownReports.insert(entry.path);
  }
  crashReport.clear();
  startError.clear();
  closedUnexpectedly = false;

  std::string error;
  if (!process.start(gameCommand(layout), false, error)) {
    startError = error;
    return;
  }
  gameRunning = true;
  host.hideWindow();
  windowHiddenForGame = true;
}

bool GameRun::finish(const ReleaseLayout& layout, GameHost& host) {
  if (!gameRunning || process.running()) return false;

  gameRunning = false;
  gameExitCode = process.exitCode();
  crashReport = newestNewReport(listFiles(layout.crashesDir, crashReportSuffix), knownReports);
  closedUnexpectedly = crashReport.empty() && gameExitCode != 0;

  host.showWindow();
  windowHiddenForGame = false;
  return true;
}

}  // namespace scf
