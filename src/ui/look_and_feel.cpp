#include "ui/look_and_feel.h"

namespace scf {

void applyLookAndFeel() {}

}  // namespace scf
