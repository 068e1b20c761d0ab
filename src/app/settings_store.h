#pragma once

namespace scf {

struct App;
struct VideoSettings;

// Saves launcher.ini from App's settings, through App's writer (off the frame once the frame
// loop runs).
void storeLauncherSettings(App& app);
// Saves video.ini with these settings the same way.
void storeVideoSettings(App& app, const VideoSettings& video);

}  // namespace scf
