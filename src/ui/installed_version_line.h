#pragma once

#include <string>

#include "update/update_check.h"

namespace scf {

// The Maintenance tab's version line: the launcher's own version, then what the update check
// found. A failed check says why only when the user asked for it.
std::string installedVersionLine(const UpdateCheckView& check);

}  // namespace scf
