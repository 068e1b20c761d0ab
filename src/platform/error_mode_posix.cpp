#include "platform/error_mode.h"

namespace scf {

void quietSystemErrorBoxes() {}

}  // namespace scf
