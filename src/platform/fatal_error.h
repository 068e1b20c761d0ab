#pragma once

#include <string>

namespace scf {

// The one modal error box, for a start-up failure; works without a window.
void showFatalError(const std::string& message);

}  // namespace scf
