#pragma once

namespace scf {

struct App;

// The makers' credit, the language button or the tabs, and the title, over the column that
// starts at left and is width pixels wide.
void drawHeader(App& app, float left, float width);

}  // namespace scf
