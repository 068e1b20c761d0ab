#include "ui/welcome.h"

#include "app/app.h"

namespace scf {

void drawWelcome(App&, float) {}

}  // namespace scf
