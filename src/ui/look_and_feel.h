#pragma once

namespace scf {

// Loads the fonts and sets the GUI style; called once after the window and GUI context exist.
void applyLookAndFeel();

}  // namespace scf
