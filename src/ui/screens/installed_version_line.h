#pragma once

#include <string>

#include "update/update_check.h"

namespace scf {

// The Maintenance tab's version line: the launcher's own version, then what the update check
// found.
std::string installedVersionLine(const UpdateCheckView& check);

// For a check the user asked for that failed: the sentence shown under the row in the warning
// colour (the transport's own words follow it as detail); empty otherwise.
std::string updateFailureLine(const UpdateCheckView& check);

}  // namespace scf
