#include "app/settings_store.h"

#include "app/app.h"

namespace scf {

void storeLauncherSettings(App& app) {
  app.settingsWriter.save(app.layout.launcherIni, app.settings.text());
}

void storeVideoSettings(App& app, const VideoSettings& video) {
  app.settingsWriter.save(app.layout.videoIni, video.text());
}

}  // namespace scf
