#include "ui/preparing_screen.h"

#include "app/app.h"

namespace scf {

void drawPreparingScreen(App&, float) {}

}  // namespace scf
