#include "ui/background.h"

namespace scf {

void drawBackground(double, bool) {}

}  // namespace scf
