#pragma once

#include <string>
#include <vector>

#include "app/file_facts.h"
#include "app/input_kind.h"
#include "app/task_table.h"
#include "enhance/enhance_run.h"
#include "game/game_run.h"
#include "prepare/build_progress.h"
#include "prepare/build_run.h"
#include "prepare/disc_check.h"
#include "prepare/disc_list.h"
#include "release/launcher_settings.h"
#include "release/release_identity.h"
#include "release/release_layout.h"
#include "release/settings_writer.h"
#include "release/video_settings.h"
#include "update/update_check.h"
#include "update/update_install.h"

namespace scf {

// Values of App::screen.
enum Screen : int {
  kScreenMissingFiles = 0,
  kScreenWelcome = 1,
  kScreenMain = 2,
  kScreenPreparing = 3,
  kScreenStopped = 4,
};

// Values of App::currentTab.
enum Tab : int { kTabPlay = 0, kTabSettings = 1, kTabMaintenance = 2 };

// The one application object: it owns the launcher's whole state for the life of the process.
// Groups are laid out in their start-up order and torn down in reverse.
struct App {
  App() = default;
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  ReleaseLayout layout;
  LauncherSettings settings;
  VideoSettings video;
  // Writes both settings files off the frame once the frame loop runs; torn down after every
  // task, so a save made while one ends still reaches the disk.
  SettingsWriter settingsWriter;
  // The file facts the screens show, as the watcher last found them.
  FileFacts files;
  FileFactsWatcher filesWatcher;

  int screen = kScreenWelcome;
  int currentTab = kTabPlay;

  // Missing-files verdict.
  std::string missingItem;
  bool pythonMissing = false;

  // Tasks. Their ChildProcess records are torn down in reverse order: game, build, disc check.
  DiscCheck discCheck;
  // The in-window list of disc images found on the disk.
  DiscList discList;
  BuildRun build;
  BuildProgress progress;
  GameRun game;
  UpdateCheck updateCheck;
  UpdateInstall updateInstall;
  EnhanceRun enhance;

  ReleaseIdentity identity;

  // The last start the task table refused, shown where the user is.
  TaskRefusal refusal;

  // Frame-loop fields.
  bool showWhatsNew = false;
  // The window settings were saved in this run (the Settings tab says so only then).
  bool videoSaved = false;
  bool quitAsked = false;
  bool quitConfirmed = false;
  // Where the last input came from (the footer shows the pad's buttons after a pad).
  InputKind lastInput = InputKind::none;
  double animTime = 0;
  std::string screenshotRequest;
  // Every turn presents a frame, changed or not (the self-test's pacing counts on it).
  bool everyTurnDraws = false;
  std::vector<std::string> launchArgs;
  // --update-now: install a newer release as soon as the check reports one.
  bool updateNow = false;

  // Downloads and installs a newer release (tag and version as the update check found them).
  void startUpdate(const std::string& tag, const std::string& version);
};

}  // namespace scf
