#pragma once

#include <string>

namespace scf {

struct App;

// The address the footer's "Portlog ›" link opens.
extern const char* const kMakersPage;

// The version line: launcher version and short commit, plus the update notice when one is found.
std::string versionLine(App& app);

// The makers' link, the version line and the what's-new link along the bottom edge, from the
// column's left edge (pixels).
void drawFooter(App& app, float left, float windowHeight);

// "Preparing… N %" in the bottom-right corner while a build runs and another tab is shown.
void drawProgressSummary(App& app, float windowWidth, float windowHeight);

}  // namespace scf
