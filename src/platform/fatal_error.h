#pragma once

#include <string>

namespace scf {

// The one modal error box, for a start-up failure; works without a window. The text also goes
// to standard error, where it is seen when no box can be shown.
void showFatalError(const std::string& message);

}  // namespace scf
