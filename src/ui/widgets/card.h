#pragma once

namespace scf {

// A panel painted behind the items drawn between the two calls; width in pixels, padding in
// points. Cards do not nest. With a maximum height (pixels, panel included) the body is drawn in
// a region of its own (a child window) that scrolls (wheel, Page Up/Down, Home/End, keyboard
// navigation) when it does not fit, with a fade and a chevron at the bottom edge while more lies
// below. Each body identity keeps its own scroll position.
void beginCard(float width, float paddingPt, float maxHeight = 0.0f,
               const char* bodyId = "##card-body");
void endCard();

// True when the last scrolling card body drawn had more below its visible part: what stands
// under the card then stays out of the keyboard and pad's reach, so that moving down scrolls the
// body to its next control instead of jumping past it.
bool cardHasMoreBelow();

}  // namespace scf
