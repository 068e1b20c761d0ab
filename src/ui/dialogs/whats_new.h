#pragma once

#include <string_view>

namespace scf {

struct App;

// The change log laid out as headings, bullets and paragraphs at the layout cursor.
void drawNotes(std::string_view changelog);

// "##whatsnew": the notes of the installed version; opened by App::showWhatsNew.
void drawWhatsNewDialog(App& app);

}  // namespace scf
