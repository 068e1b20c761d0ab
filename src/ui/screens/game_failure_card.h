#pragma once

namespace scf {

struct App;

// After the game crashed, ended with an error or could not start: what happened, and the
// buttons that open its crash report and its logs. Draws nothing after a normal end.
void drawGameFailureCard(App& app, float contentWidth);

}  // namespace scf
