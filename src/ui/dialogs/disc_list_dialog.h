#pragma once

#include <cstdint>
#include <string>

namespace scf {

struct App;

// The in-window list of disc images, drawn by the main window every frame while it is open:
// "Searching…" while the search runs, then the images newest first, each a row that checks the
// image when picked with the mouse, the keyboard or a gamepad.
void drawDiscListDialog(App& app);

// A file size for the list, in the current language ("700 MB", "4.4 GB"; "4,4 Go").
std::string discSizeText(std::uint64_t bytes);
// A modification time as a calendar date, year first ("2026-12-11").
std::string discDateText(std::int64_t secondsSince1970);

}  // namespace scf
