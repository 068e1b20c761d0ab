#include "app/enhance_actions.h"

#include "app/app.h"
#include "app/settings_store.h"
#include "app/task_table.h"
#include "enhance/texture_pack.h"

namespace scf {

void startEnhance(App& app, bool remove) {
  if (!mayStart(app, Task::enhance)) return;
  app.enhance.start(app.layout, remove);
}

void setTexturePackOn(App& app, bool on) {
  setTexturePack(app.video, on);
  storeVideoSettings(app, app.video);
  app.video.loaded = true;
}

}  // namespace scf
