#include "app/build_actions.h"

#include <cstdint>

#include "app/app.h"
#include "app/settings_store.h"
#include "app/task_table.h"
#include "platform/clock.h"
#include "prepare/failure_record.h"

namespace scf {

namespace {

constexpr std::uint32_t kStatusGood = 0x4FE0A3;
constexpr std::uint32_t kStatusWarn = 0xFFC35C;

// The build's saves go through the launcher's settings writer, off the frame.
class AppBuildHost : public BuildHost {
 public:
  explicit AppBuildHost(App& app) : app_(app) {}
  void saveSettings() override { storeLauncherSettings(app_); }
  void keepFailure() override { keepBuildFailure(app_.layout, app_.progress, app_.settingsWriter); }

 private:
  App& app_;
};

}  // namespace

void startBuild(App& app) {
  startBuild(app, nowSeconds());
}

void startBuild(App& app, double now) {
  if (app.settings.disc.empty() || !mayStart(app, Task::build)) return;
  AppBuildHost host(app);
  const bool started = app.build.start({app.layout, app.settings, app.progress, host}, now);
  app.screen = started ? kScreenPreparing : kScreenStopped;
  // The stopped screen lives on the Play tab: a start from another tab must not fail unseen.
  app.currentTab = kTabPlay;
}

void stopBuild(App& app) {
  stopBuild(app, nowSeconds());
}

void stopBuild(App& app, double now) {
  AppBuildHost host(app);
  app.build.stop({app.layout, app.settings, app.progress, host}, now);
}

void finishBuild(App& app) {
  finishBuild(app, nowSeconds());
}

void finishBuild(App& app, double now) {
  AppBuildHost host(app);
  switch (app.build.finish({app.layout, app.settings, app.progress, host}, now)) {
    case BuildEnd::none:
      return;
    case BuildEnd::ready: {
      // The game folder now says which source it was built from: the kit was given this
      // release's source, so that is what the screens say until the file facts' worker has read
      // the record (off this thread: the disk may be slow). The rest of the release's identity
      // (its own files, its change log) is unchanged by a build and not read again.
      ReleaseIdentity& identity = app.identity;
      identity.builtFromCommit = identity.releaseCommit;
      identity.builtFromToRead = true;
      ++identity.builtFromGeneration;
      app.screen = kScreenMain;
      app.build.statusColour = kStatusGood;
      return;
    }
    case BuildEnd::stopped:
      app.screen = kScreenMain;
      app.build.statusColour = kStatusWarn;
      return;
    case BuildEnd::failed:
      app.screen = kScreenStopped;
      return;
  }
}

bool restoreBuildFailure(App& app) {
  if (!app.settings.buildPending || app.screen != kScreenMain) return false;
  if (!readBuildFailure(app.layout, app.progress)) return false;
  app.screen = kScreenStopped;
  return true;
}

}  // namespace scf
