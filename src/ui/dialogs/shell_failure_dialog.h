#pragma once

namespace scf {

// The dialog for a folder, file or address the desktop did not open, drawn by the main window
// every frame: it says so, shows the path and the system's reason, one failure at a time,
// until closed.
void drawShellFailureDialog();

}  // namespace scf
