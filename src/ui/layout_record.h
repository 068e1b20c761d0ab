// A record of where the widgets of one frame landed, for tests that check the page's layout from
// the widgets' own rectangles. Off unless a test turns it on; then every custom widget adds its
// rectangle and whether it sits in the card's scrolling body.
#pragma once

#include <string>
#include <vector>

#include "imgui.h"

namespace scf {

enum class LayoutPart { header, card, footer };

struct LayoutRect {
  std::string what;
  ImVec2 min;
  ImVec2 max;
  LayoutPart part = LayoutPart::card;
  bool inScrollBody = false;  // inside the card's body region, which clips (and may scroll)
  ImVec2 clipMin;             // the part of the window it can be seen through
  ImVec2 clipMax;
};

// What the card reported about its body in the recorded frame.
struct CardBodyRecord {
  bool present = false;
  ImVec2 cardMin, cardMax;  // the card's painted panel
  ImVec2 clipMin, clipMax;  // the body's visible region
  float contentHeight = 0;  // the body's full height
  bool scrolls = false;     // the body is taller than its region
  bool moreHint = false;    // the "more below" hint was drawn
};

void startLayoutRecord();
void stopLayoutRecord();
bool layoutRecording();
const std::vector<LayoutRect>& layoutRecord();
CardBodyRecord& cardBodyRecord();

// Which part of the page the next widgets belong to (the main window says).
void setLayoutPart(LayoutPart part);
void setInScrollBody(bool inside);

// Adds a rectangle in screen pixels; no-op while not recording.
void recordLayout(const char* what, ImVec2 min, ImVec2 max);
// The last item's rectangle.
void recordLastItem(const char* what);

}  // namespace scf
