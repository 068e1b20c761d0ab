// The keys and pad buttons the page answers beyond moving the focus: Escape and B go back to the
// Play tab, Ctrl+Tab / Ctrl+Shift+Tab and the pad's RB / LB switch tabs, and the pad's Start
// plays once the game is ready.
#pragma once

namespace scf {

struct App;

// Escape or the pad's B was pressed in this frame (a dialog closes on it; held keys do not repeat).
bool backPressed();
// The page's own keys; nothing happens while a dialog or list is open or has just closed on the
// same press.
void handlePageKeys(App& app);
// The game is built and nothing stands in the way of playing it now.
bool gameReadyToPlay(const App& app);

}  // namespace scf
