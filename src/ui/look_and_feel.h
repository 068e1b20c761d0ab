#pragma once

namespace scf {

// Loads the fonts and sets the GUI style; called once after the window and GUI context exist.
void applyLookAndFeel();

// Keyboard and pad navigation: both on, Escape keeps the focused item, and Ctrl+Tab is left to
// the launcher's tabs (part of applyLookAndFeel).
void configureNavigation();

// The style sizes and colours alone (part of applyLookAndFeel), at the current uiScale.
void applyStyle();

}  // namespace scf
