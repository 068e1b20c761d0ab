#pragma once

namespace scf {

struct App;

// One sentence in amber when the last "Select your disc image…" could show no file dialog.
void drawChooseError(const App& app);

}  // namespace scf
