#pragma once

namespace scf {

struct App;

// The Play tab after a failed build: what went wrong and what to do next.
void drawStoppedScreen(App& app, float contentWidth);

}  // namespace scf
