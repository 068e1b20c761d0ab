#pragma once

namespace scf {

struct App;

// True when the installed release's code differs from the one the built game was made from
// and no build runs: the Play tab then asks for a rebuild.
bool rebuildCardDue(const App& app);

// The notice about newly installed code, "Rebuild now" and, with notes, "What's new".
void drawRebuildCard(App& app, float contentWidth);

}  // namespace scf
