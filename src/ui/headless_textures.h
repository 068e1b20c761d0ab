#pragma once

namespace scf {

// Drawing without a GPU (benchmarks, headless checks): answers the GUI library's texture
// requests the way a renderer would, accepting every upload and release.
void acceptTextureRequests();

}  // namespace scf
