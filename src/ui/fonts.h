#pragma once

#include <string>

struct ImFont;

namespace scf {

// The Exo 2 face, the GUI's default font; every text function draws with it.
extern ImFont* uiFont;
// The fixed-width face for notice details; uiFont when the desktop has none.
extern ImFont* monoFont;

// Size of the Exo 2 data carried in the executable (0 when the build carries none).
std::size_t exo2ResourceSize();

// Adds both fonts to the current GUI context's atlas and makes uiFont the default font.
// An empty fixedWidthPath (or one that fails to load) leaves monoFont equal to uiFont.
void loadFonts(const std::string& fixedWidthPath);

// uiFont, or the current font while no font was loaded yet.
ImFont* textFont();

}  // namespace scf
