#pragma once

#include <string>

namespace scf {

struct App;

// Opens the release folder into app's layout, settings, identity and missing-files verdict,
// and chooses the opening screen from what it found.
void resolveLayout(App& app, const std::string& releaseDir);

}  // namespace scf
