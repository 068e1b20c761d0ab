#include "app/update_start.h"

#include <cstdint>

#include "app/app.h"
#include "app/task_table.h"

namespace scf {

void App::startUpdate(const std::string& tag, const std::string& version) {
  if (tag.empty() || version.empty() || !mayStart(*this, Task::update)) return;
  // The size the update check's answer gave for this release's archive bounds its download.
  const UpdateCheckView seen = updateCheck.view();
  const std::uint64_t archiveSize = seen.releaseTag == tag ? seen.assetSize : 0;
  updateInstall.start(layout, launchArgs, tag, version, archiveSize);
}

void pollUpdate(App& app) {
  if (app.updateInstall.poll(app.layout, app.launchArgs)) app.quitConfirmed = true;
}

}  // namespace scf
