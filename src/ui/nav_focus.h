// Where the keyboard and pad focus lands: on every change of screen, tab or state the new page's
// main action takes the focus (or, on a page without one, its first control), so Tab, the arrows
// and the pad work at once, without a click first.
#pragma once

namespace scf {

// Starts a frame of the main window. A place different from the last frame's asks for the focus
// to land on the new page; it lands once no dialog is open. cursorShown: the focus ring is shown
// where it lands (the last input came from the keyboard or a pad).
void beginFocusFrame(long place, bool cursorShown);
// Right after a page's main action: it takes the default focus, and the focus when it is asked.
void mainAction();
// Right after any control in the card's body: the first one takes the focus asked for, when the
// page has no main action.
void offerFocus();
// True when the focus is on the last control the card's body drew so far in this frame (moving
// down from it finds nothing more to focus in the body).
bool focusOnLastBodyControl();
// Ends the frame: a landing asked for is done (or waits for the open dialog to close).
void endFocusFrame();
// True when a dialog or a list was open at the end of the last frame or is open now: Escape and
// the pad's B then belong to it.
bool popupOpenOrJustClosed();

}  // namespace scf
