#pragma once

namespace scf {

struct App;

// The Play tab's body: the disc or ready section, status, rebuild, update and failure cards.
void drawPlayTab(App& app, float contentWidth);

}  // namespace scf
