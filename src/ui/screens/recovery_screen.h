#pragma once

#include <string>

namespace scf {

// The whole window while an interrupted update is finished at start: one sentence, centred.
void drawRecoveryScreen(const std::string& sentence);

}  // namespace scf
