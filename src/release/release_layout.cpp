#include "release/release_layout.h"

#include "app/app.h"

namespace scf {

void resolveLayout(App& app, const std::string& releaseDir) { app.layout.releaseDir = releaseDir; }

}  // namespace scf
