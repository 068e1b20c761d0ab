#pragma once

namespace scf {

struct App;

// What the main window needs to know of the build run and the update check. The build runner
// and the update check fill these in; until then nothing is running and nothing is available.
bool buildInProgress(const App& app);
// The running build's overall fraction, 0 to 1.
double buildFraction(const App& app);
// Stops a running build before the launcher quits (its time is banked and launcher.ini saved).
void stopBuildForQuit(App& app);
// True when the update check has found a newer release (read under the check's lock).
bool updateAvailable(App& app);

}  // namespace scf
