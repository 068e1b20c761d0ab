#include "ui/stopped_screen.h"

#include "app/app.h"

namespace scf {

void drawStoppedScreen(App&, float) {}

}  // namespace scf
