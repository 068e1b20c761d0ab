#pragma once

namespace scf {

struct App;

// Once per turn: moves the update on, and ends the launcher once the new one runs.
void pollUpdate(App& app);

}  // namespace scf
