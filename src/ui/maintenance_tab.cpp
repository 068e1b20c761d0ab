#include "ui/maintenance_tab.h"

#include "app/app.h"

namespace scf {

void drawMaintenanceTab(App&, float) {}

}  // namespace scf
