#pragma once

#include <cstddef>
#include <string>

namespace scf {

struct App;
struct FileDialogAnswer;

// Shows the open-file dialog over the launcher's window.
void chooseDisc(App& app);
// Starts the kit's check of the image unless the task table refuses it (then App keeps the
// refusal so the screen says why).
void startDiscCheck(App& app, const std::string& imagePath);
// A file the user picked, in the dialog or by dropping it onto the window: checked when the
// screen takes a disc and the task table lets the check start; otherwise the user is told why.
void takeChosenDisc(App& app, const std::string& imagePath);
// Hands what the dialog answered and a file dropped onto the window to the disc check.
void takeChosenFiles(App& app);
// The same for one answer of the dialog.
void takeDialogAnswer(App& app, const FileDialogAnswer& answer);
// Once per turn: starts a check for a path the dialog (or a drop) handed over, and finishes a
// check whose process has ended; an accepted image becomes the `disc` setting.
void pollDiscCheck(App& app);
// Checks the index-th image of the disc list. The list closes when the check starts or the
// image is otherwise answered for; a start the task table refuses keeps the list open, saying
// why. False when nothing started.
bool pickDiscFromList(App& app, std::size_t index);

}  // namespace scf
