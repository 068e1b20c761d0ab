#pragma once

namespace scf {

struct App;

// On every screen but the welcome screen (which shows it in its body): a running disc check at
// the footer's right, with its image and Cancel.
void drawDiscCheckStatus(App& app, float windowWidth, float windowHeight);

// A start the task table refused, in a small panel above the footer's right end, so the user
// learns why wherever the start came from (a drop, a dialog answer).
void drawRefusalNotice(const App& app, float windowWidth, float windowHeight);

}  // namespace scf
