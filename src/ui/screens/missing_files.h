#pragma once

namespace scf {

struct App;

// The main card's body when the release folder lacks something the launcher needs.
void drawMissingFiles(App& app, float contentWidth);

}  // namespace scf
