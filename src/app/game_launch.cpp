#include "app/game_launch.h"

#include "app/app.h"
#include "app/task_table.h"
#include "app/window.h"
#include "release/rebuild_check.h"

namespace scf {

namespace {

// The launcher's one window steps aside for the game.
class WindowGameHost : public GameHost {
 public:
  void hideWindow() override { scf::hideWindow(); }
  void showWindow() override { scf::showWindow(); }
};

}  // namespace

void launchGame(App& app) {
  if (!gameIsBuilt(app.layout) || !mayStart(app, Task::game)) return;
  app.build.statusText.clear();
  app.build.status = BuildRun::Status::none;
  WindowGameHost host;
  app.game.launch(app.layout, host);
}

void finishGame(App& app) {
  WindowGameHost host;
  app.game.finish(app.layout, host);
}

}  // namespace scf
