#pragma once

namespace scf {

// A panel painted behind the items drawn between the two calls; width in pixels, padding in
// points. Cards do not nest.
void beginCard(float width, float paddingPt);
void endCard();

}  // namespace scf
