#pragma once

namespace scf {

struct App;

// "Find disc images", drawn after the button that opens the desktop's file dialog: on the same
// line when it fits there, else below it. A click opens the in-window list of disc images.
void findDiscImagesButton(App& app, float heightPt, float fontPt);

}  // namespace scf
