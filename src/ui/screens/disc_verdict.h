#pragma once

namespace scf {

struct App;

// The last disc check's refusal, in a notice box as wide as the content; nothing when the last
// check accepted its image or none ran.
void drawDiscVerdict(const App& app, float contentWidth);

}  // namespace scf
