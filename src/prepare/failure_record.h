#pragma once

#include <string>

namespace scf {

struct App;
struct ReleaseLayout;

// The last failed build, kept with the build so that a launcher started again shows it (stage,
// reason and the kit's last lines, beside the stage's own log) until the next build starts.
std::string failureRecordPath(const ReleaseLayout& layout);
// The record's text for the current failure.
std::string failureRecordText(const App& app);
// Saves the record (off the frame once the frame loop runs).
void keepBuildFailure(App& app);
// At start: a build still pending with a record goes back to the stopped screen with it. A
// record that cannot be read is ignored. True when one was restored.
bool restoreBuildFailure(App& app);
// A new build starts: the old failure is gone.
void forgetBuildFailure(const App& app);

}  // namespace scf
