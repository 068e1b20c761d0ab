#include <windows.h>

#include "platform/error_mode.h"

namespace scf {

void quietSystemErrorBoxes() {
  SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

}  // namespace scf
