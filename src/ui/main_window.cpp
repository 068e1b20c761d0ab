#include "ui/main_window.h"

#include "app/app.h"

namespace scf {

void drawMainWindow(App&) {}

}  // namespace scf
