#pragma once

namespace scf {

struct App;

// The Maintenance tab's body: rebuild, disc, folders and the version line.
void drawMaintenanceTab(App& app, float contentWidth);

}  // namespace scf
