#pragma once

#include <string>

namespace scf {

struct App;

// One sentence of advice for a failed build.
std::string failureAdvice(const std::string& failedStage, const std::string& failureText);
// The report placed on the clipboard by "Copy details".
std::string buildDetails(const App& app);
// The failed stage's log file (verify.log when no stage is known).
std::string stepLogPath(const App& app);

}  // namespace scf
