#pragma once

namespace scf {

struct App;

// The welcome body of the main card, shown until a disc image has been accepted.
void drawWelcome(App& app, float contentWidth);

}  // namespace scf
