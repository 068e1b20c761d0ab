#pragma once

namespace scf {

struct App;

// The build's steps as the screens and the frame loop take them; the forms taking `now` read no
// clock of their own.
//
// Starts the build when there is a disc and the task table lets it, on the Play tab: its
// preparing screen, or the stopped screen when it could not start.
void startBuild(App& app);
void startBuild(App& app, double now);
// Ends a running build (the user's Stop, or the quit's).
void stopBuild(App& app);
void stopBuild(App& app, double now);
// Every turn while building: an ended build goes to the main screen, ready or stopped, or to the
// stopped screen when it failed.
void finishBuild(App& app);
void finishBuild(App& app, double now);
// At start: a build still pending with a failure record goes back to the stopped screen with
// it. True when one was restored.
bool restoreBuildFailure(App& app);

}  // namespace scf
