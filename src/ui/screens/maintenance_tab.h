#pragma once

#include "update/update_check.h"

namespace scf {

struct App;

// The Maintenance tab's body: rebuild, disc, folders and the version line.
void drawMaintenanceTab(App& app, float contentWidth);

// The same with the update check's state as read for this frame.
void drawMaintenanceTab(App& app, const UpdateCheckView& check, float contentWidth);

}  // namespace scf
