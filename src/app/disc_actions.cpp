#include "app/disc_actions.h"

#include "app/app.h"
#include "app/settings_store.h"
#include "app/task_table.h"
#include "app/window.h"
#include "platform/clock.h"
#include "platform/file_dialog.h"

namespace scf {

void chooseDisc(App& app) {
  app.discCheck.choose(sdlWindow());
}

void startDiscCheck(App& app, const std::string& imagePath) {
  if (!mayStart(app, Task::discCheck)) return;
  app.discCheck.start(app.layout, imagePath, app.screen == kScreenMain ? app.currentTab : kTabPlay,
                      nowSeconds());
}

void takeChosenDisc(App& app, const std::string& imagePath) {
  if (imagePath.empty()) return;
  // The missing-files screen has no disc to change: the release must be whole first.
  if (app.screen == kScreenMissingFiles) {
    app.refusal.active = true;
    app.refusal.wanted = Task::discCheck;
    app.refusal.releaseIncomplete = true;
    app.refusal.at = nowSeconds();
    return;
  }
  startDiscCheck(app, imagePath);
}

void takeDialogAnswer(App& app, const FileDialogAnswer& answer) {
  takeChosenDisc(app, app.discCheck.takeDialogAnswer(answer));
}

void takeChosenFiles(App& app) {
  if (const auto answer = takeFileDialogAnswer()) takeDialogAnswer(app, *answer);
  takeChosenDisc(app, takeDroppedFile());
}

void pollDiscCheck(App& app) {
  takeChosenFiles(app);
  if (!app.discCheck.poll(nowSeconds())) return;
  app.settings.disc = app.discCheck.checkedImage;
  storeLauncherSettings(app);
  app.screen = kScreenMain;
  app.build.statusText.clear();
  app.build.status = BuildRun::Status::none;
}

bool pickDiscFromList(App& app, std::size_t index) {
  DiscList& list = app.discList;
  if (list.searching || index >= list.result.discs.size()) return false;
  const std::string path = list.result.discs[index].path;
  takeChosenDisc(app, path);
  // The table clears a kept refusal when a start passes, and keeps a new one when it does not.
  if (app.refusal.active) {
    list.pickRefused = true;
    return false;
  }
  list.hide();
  return app.discCheck.discChecking;
}

}  // namespace scf
