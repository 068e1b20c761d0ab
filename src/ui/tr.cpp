#include "ui/tr.h"

namespace scf {

bool uiFrench = false;

}  // namespace scf
