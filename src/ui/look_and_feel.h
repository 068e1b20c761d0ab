#pragma once

namespace scf {

// Loads the fonts and sets the GUI style; called once after the window and GUI context exist.
void applyLookAndFeel();

// The style sizes and colours alone (part of applyLookAndFeel), at the current uiScale.
void applyStyle();

}  // namespace scf
