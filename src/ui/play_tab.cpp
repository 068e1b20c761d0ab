#include "ui/play_tab.h"

#include "app/app.h"

namespace scf {

void drawPlayTab(App&, float) {}

}  // namespace scf
