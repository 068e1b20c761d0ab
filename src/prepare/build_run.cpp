#include "prepare/build_run.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/settings_store.h"
#include "app/task_table.h"
#include "platform/clock.h"
#include "platform/file_status.h"
#include "platform/free_space.h"
#include "prepare/failure_record.h"
#include "prepare/kit_contract.h"
#include "release/release_identity.h"
#include "release/tr.h"

namespace scf {

namespace {

using Status = BuildRun::Status;
constexpr std::uint32_t kStatusGood = 0x4FE0A3;
constexpr std::uint32_t kStatusWarn = 0xFFC35C;
// After the kit has ended, its last lines may still be on their way through the reader.
constexpr int kReaderWaitMs = 2000;

void feedLines(App& app, double now) {
  app.build.process.takeLineBatch(app.build.lines);
  for (std::string_view line : app.build.lines)
    app.progress.feed(line, now);
  app.build.lines.clear();
}

// Adds this run's time to the pending sum, once per run, and keeps it on disk at once so a
// launcher that dies later loses nothing already counted.
void bankRunTime(App& app, double now) {
  if (app.timeBanked) return;
  app.timeBanked = true;
  app.settings.pendingBuildSeconds += std::max(0.0, now - app.progress.runStart);
  storeLauncherSettings(app);
}

void succeed(App& app) {
  LauncherSettings& settings = app.settings;
  settings.buildPending = false;
  settings.built = true;
  settings.lastBuildSeconds = settings.pendingBuildSeconds;
  settings.pendingBuildSeconds = 0;
  storeLauncherSettings(app);
  // The game folder now says which source it was built from: the kit was given this release's
  // source, so that is what the screens say until the file facts' worker has read the record
  // (off this thread: the disk may be slow). The rest of the release's identity (its own files,
  // its change log) is unchanged by a build and not read again.
  app.identity.builtFromCommit = app.identity.releaseCommit;
  app.identity.builtFromToRead = true;
  ++app.identity.builtFromGeneration;
  app.screen = kScreenMain;
  app.build.status = Status::ready;
  app.build.statusSeconds = settings.lastBuildSeconds;
  app.build.statusText = buildStatusLine(app.build);
  app.build.statusColour = kStatusGood;
}

void fail(App& app, int exitCode) {
  BuildProgress& progress = app.progress;
  if (progress.failureText.empty()) {
    const int running = progress.runningStage();
    progress.failedStage =
        running >= 0 ? progress.stages[static_cast<std::size_t>(running)].key : std::string();
    progress.failureText = std::string(tr("The build stopped unexpectedly (exit code ",
                                          "La préparation s'est arrêtée (code ")) +
                           std::to_string(exitCode) + ").";
  }
  app.screen = kScreenStopped;
  keepBuildFailure(app);
}

}  // namespace

void BuildRun::start(App& app) {
  start(app, nowSeconds());
}

void BuildRun::start(App& app, double now) {
  BuildRun& run = app.build;
  if (app.settings.disc.empty() || !mayStart(app, Task::build)) return;
  forgetBuildFailure(app);
  if (app.settings.buildPending) {
    app.progress.resetForResume(now);
  } else {
    app.progress.reset(now);
  }
  run.stopRequested = false;
  app.timeBanked = false;
  // A new build counts from zero; a resumed one keeps the time of its earlier runs.
  if (!app.settings.buildPending) app.settings.pendingBuildSeconds = 0;
  run.statusText.clear();
  run.status = Status::none;
  std::string error;
  if (!run.process.start(buildCommand(app.layout, app.settings.disc), true, error)) {
    app.progress.failedStage = "verify";
    app.progress.failureText =
        std::string(tr("The build could not start: ", "La préparation n'a pas pu démarrer : ")) +
        error;
    app.screen = kScreenStopped;
    // The stopped screen lives on the Play tab: a start from another tab must not fail unseen.
    app.currentTab = kTabPlay;
    return;
  }
  run.building = true;
  app.settings.buildPending = true;
  storeLauncherSettings(app);
  app.screen = kScreenPreparing;
  app.currentTab = kTabPlay;
}

void BuildRun::stop(App& app) {
  stop(app, nowSeconds());
}

void BuildRun::stop(App& app, double now) {
  if (!app.build.building) return;
  app.build.stopRequested = true;
  app.build.process.kill();
  bankRunTime(app, now);
}

void BuildRun::finish(App& app) {
  finish(app, nowSeconds());
}

void BuildRun::finish(App& app, double now) {
  BuildRun& run = app.build;
  if (!run.building) return;
  feedLines(app, now);
  if (run.process.running()) return;
  run.process.waitReader(kReaderWaitMs);
  feedLines(app, now);
  run.building = false;
  const int exitCode = run.process.exitCode();
  bankRunTime(app, now);
  if (app.progress.finished && exitCode == 0) {
    succeed(app);
  } else if (run.stopRequested) {
    // A stop ends the kit's whole job; whatever it printed while dying is no failure.
    app.screen = kScreenMain;
    run.status = Status::stopped;
    run.statusText = buildStatusLine(run);
    run.statusColour = kStatusWarn;
  } else {
    fail(app, exitCode);
  }
}

std::string buildStatusLine(const BuildRun& run) {
  switch (run.status) {
    case BuildRun::Status::ready:
      return std::string(tr("The game is ready. Prepared in ", "Le jeu est prêt. Préparé en ")) +
             formatDuration(run.statusSeconds) + ".";
    case BuildRun::Status::stopped:
      return tr("Stopped. Preparing continues from there next time.",
                "Arrêté. La préparation reprendra à partir de là.");
    case BuildRun::Status::none:
      break;
  }
  return run.statusText;
}

std::uint64_t freeSpaceBytes(const ReleaseLayout& layout) {
  // The build writes into buildDir, which may be a link to another drive; before the first
  // build it does not exist yet and the release folder's drive is the one it will use.
  return volumeFreeBytes(isDirectory(layout.buildDir) ? layout.buildDir : layout.releaseDir);
}

}  // namespace scf
