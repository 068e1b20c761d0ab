#pragma once

#include <string>

namespace scf {

struct App;

// The animTime of the last "Copy details"; the button reads "Copied" for two seconds after it.
extern double copiedAt;

// The Play tab after a failed build: what went wrong and what to do next.
void drawStoppedScreen(App& app, float contentWidth);

// What "Open log" opens: the failed stage's log when it exists, else the logs folder.
std::string stoppedLogTarget(const App& app);

}  // namespace scf
