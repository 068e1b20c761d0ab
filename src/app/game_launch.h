#pragma once

namespace scf {

struct App;

// Starts the built game when the task table lets it, clearing the last build's status line.
void launchGame(App& app);
// Every turn while the game runs: notices its end.
void finishGame(App& app);

}  // namespace scf
