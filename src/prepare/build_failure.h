#pragma once

#include <string>

namespace scf {

struct BuildProgress;
struct ReleaseIdentity;
struct ReleaseLayout;

// One sentence of advice for a failed build.
std::string failureAdvice(const std::string& failedStage, const std::string& failureText);
// The report placed on the clipboard by "Copy details": the launcher and the release, the
// failure, the disc, and the last lines of the kit's output and of the stage's log.
std::string buildDetails(const ReleaseLayout& layout, const BuildProgress& progress,
                         const ReleaseIdentity& identity, const std::string& disc);
// The failed stage's log file (verify.log when no stage is known).
std::string stepLogPath(const ReleaseLayout& layout, const BuildProgress& progress);

}  // namespace scf
