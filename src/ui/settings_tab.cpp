#include "ui/settings_tab.h"

#include "app/app.h"

namespace scf {

void drawSettingsTab(App&, float) {}

}  // namespace scf
