#include "prepare/build_run.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_status.h"
#include "platform/free_space.h"
#include "prepare/build_progress.h"
#include "prepare/failure_record.h"
#include "prepare/kit_contract.h"
#include "release/launcher_settings.h"
#include "release/release_layout.h"
#include "release/tr.h"

namespace scf {

namespace {

using Status = BuildRun::Status;
// After the kit has ended, its last lines may still be on their way through the reader.
constexpr int kReaderWaitMs = 2000;

void feedLines(BuildRun& run, BuildProgress& progress, double now) {
  run.process.takeLineBatch(run.lines);
  for (std::string_view line : run.lines)
    progress.feed(line, now);
  run.lines.clear();
}

// Adds this run's time to the pending sum, once per run, and keeps it on disk at once so a
// launcher that dies later loses nothing already counted.
void bankRunTime(BuildRun& run, const BuildContext& context, double now) {
  if (run.timeBanked) return;
  run.timeBanked = true;
  context.settings.pendingBuildSeconds += std::max(0.0, now - context.progress.runStart);
  context.host.saveSettings();
}

void succeed(BuildRun& run, const BuildContext& context) {
  LauncherSettings& settings = context.settings;
  settings.buildPending = false;
  settings.built = true;
  settings.lastBuildSeconds = settings.pendingBuildSeconds;
  settings.pendingBuildSeconds = 0;
  context.host.saveSettings();
  run.status = Status::ready;
  run.statusSeconds = settings.lastBuildSeconds;
  run.statusText = buildStatusLine(run);
}

void fail(const BuildContext& context, int exitCode) {
  BuildProgress& progress = context.progress;
  if (progress.failureText.empty()) {
    const int running = progress.runningStage();
    progress.failedStage =
        running >= 0 ? progress.stages[static_cast<std::size_t>(running)].key : std::string();
    progress.failureText = std::string(tr("The build stopped unexpectedly (exit code ",
                                          "La préparation s'est arrêtée (code ")) +
                           std::to_string(exitCode) + ").";
  }
  context.host.keepFailure();
}

}  // namespace

bool BuildRun::start(const BuildContext& context, double now) {
  LauncherSettings& settings = context.settings;
  BuildProgress& progress = context.progress;
  forgetBuildFailure(context.layout);
  if (settings.buildPending) {
    progress.resetForResume(now);
  } else {
    progress.reset(now);
  }
  stopRequested = false;
  timeBanked = false;
  // A new build counts from zero; a resumed one keeps the time of its earlier runs.
  if (!settings.buildPending) settings.pendingBuildSeconds = 0;
  statusText.clear();
  status = Status::none;
  std::string error;
  if (!process.start(buildCommand(context.layout, settings.disc), true, error)) {
    progress.failedStage = "verify";
    progress.failureText =
        std::string(tr("The build could not start: ", "La préparation n'a pas pu démarrer : ")) +
        error;
    return false;
  }
  building = true;
  settings.buildPending = true;
  context.host.saveSettings();
  return true;
}

void BuildRun::stop(const BuildContext& context, double now) {
  if (!building) return;
  stopRequested = true;
  process.kill();
  bankRunTime(*this, context, now);
}

BuildEnd BuildRun::finish(const BuildContext& context, double now) {
  if (!building) return BuildEnd::none;
  feedLines(*this, context.progress, now);
  if (process.running()) return BuildEnd::none;
  process.waitReader(kReaderWaitMs);
  feedLines(*this, context.progress, now);
  building = false;
  const int exitCode = process.exitCode();
  bankRunTime(*this, context, now);
  if (context.progress.finished && exitCode == 0) {
    succeed(*this, context);
    return BuildEnd::ready;
  }
  if (stopRequested) {
    // A stop ends the kit's whole job; whatever it printed while dying is no failure.
    status = Status::stopped;
    statusText = buildStatusLine(*this);
    return BuildEnd::stopped;
  }
  fail(context, exitCode);
  return BuildEnd::failed;
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
