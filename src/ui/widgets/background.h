#pragma once

struct ImDrawList;

namespace scf {

// Paints the moving background behind every window of the frame.
void drawBackground(double time, bool motion);

// The background of a width × height pixel area into one draw list: gradient mesh, light
// columns and scan lines.
void paintBackground(ImDrawList& drawList, float width, float height, double time, bool motion);

// The gradient mesh alone: 49 × 31 vertices coloured from the cached grid.
void addBackgroundMesh(ImDrawList& drawList, float width, float height);

}  // namespace scf
