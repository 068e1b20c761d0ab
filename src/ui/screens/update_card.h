#pragma once

namespace scf {

struct App;

// The Play tab's update section: the running install's progress, or a newer release on offer
// (not while the rebuild card asks for a rebuild first).
void drawUpdateCard(App& app, float contentWidth, bool rebuildCardShown);

}  // namespace scf
