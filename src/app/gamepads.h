#pragma once

#include "app/input_kind.h"

union SDL_Event;

namespace scf {

// Starts SDL's gamepad support and opens the pads already connected; the GUI's SDL backend reads
// exactly the pads opened here. Call after the GUI backends started.
void startGamepads();
// Closes every pad; call before the GUI backends shut down.
void stopGamepads();
// Looks at one event: opens a pad that arrived and closes one that left, hands a pad's button or
// stick to the GUI as it happens (so a press and release within one frame still count), and says
// which kind of input the event was (none for everything else).
InputKind takeInputEvent(const SDL_Event& event);
// How many pads are open.
int openGamepadCount();
// The input a session starts from: a pad in a console-like session (it has no mouse, so the
// focus ring shows on the first page and the first A acts), none elsewhere.
InputKind startingInput();

}  // namespace scf
