#pragma once

namespace scf {

// Keeps the system's own error boxes off the launcher, called once at start: on Windows, an
// empty card reader or DVD drive that a path or a file dialog touches would otherwise raise
// "There is no disk in the drive" over it, and a file the system cannot find would raise a box
// of its own; the launcher reports such failures in its own words. Nothing to do elsewhere.
void quietSystemErrorBoxes();

}  // namespace scf
