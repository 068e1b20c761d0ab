#pragma once

namespace scf {

struct App;

// The makers' credit, the language button or the tabs, and the title; W is the window width.
void drawHeader(App& app, float windowWidth);

}  // namespace scf
