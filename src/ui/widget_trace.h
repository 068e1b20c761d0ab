// What the launcher's controls did in the last frames, as the self-test and the tests read it:
// which one has the keyboard or pad focus, and which one was last activated (clicked, or pressed
// with Enter, Space or the pad's A).
#pragma once

#include <cstdint>
#include <string>

namespace scf {

// Right after a control: its label (its identity; what follows "##" is left out) and whether it
// was activated in this frame.
void traceItem(const char* label, bool activated);
// The same for a control whose identity is not its text (a row of a list): the name it shows,
// taken whole.
void traceNamedItem(const std::string& shown, bool activated);
// An action taken without a control (the pad's Start plays): counted as that control's.
void traceActivation(const char* label);
// Ends a frame: the focused control seen in it becomes the one reported.
void endTraceFrame();

// The label of the control that had the focus in the last finished frame; empty when none.
std::string focusedWidget();
// The label of the last control activated, and how many activations there were so far.
std::string lastActivatedWidget();
std::uint64_t activationCount();

}  // namespace scf
