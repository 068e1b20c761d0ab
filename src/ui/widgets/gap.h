#pragma once

namespace scf {

// An empty item heightPt points high and one point wide: vertical room between two items.
void gap(float heightPt);

}  // namespace scf
