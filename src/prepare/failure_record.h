#pragma once

#include <string>

namespace scf {

struct BuildProgress;
struct ReleaseLayout;
class SettingsWriter;

// The last failed build, kept with the build so that a launcher started again shows it (stage,
// reason and the kit's last lines, beside the stage's own log) until the next build starts.
std::string failureRecordPath(const ReleaseLayout& layout);
// The record's text for the failure the progress shows.
std::string failureRecordText(const BuildProgress& progress);
// Saves the record through the writer (off the frame once the frame loop runs).
void keepBuildFailure(const ReleaseLayout& layout, const BuildProgress& progress,
                      SettingsWriter& writer);
// Reads the record into the progress, its failed stage marked so. A record that cannot be read
// is ignored. True when one was read.
bool readBuildFailure(const ReleaseLayout& layout, BuildProgress& progress);
// A new build starts: the old failure is gone.
void forgetBuildFailure(const ReleaseLayout& layout);

}  // namespace scf
