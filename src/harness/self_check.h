#pragma once

#include <string>

namespace scf {

// How long the self-check waits for the kit's disc check before it ends it.
constexpr double kSelfCheckBoundSeconds = 120;

// The text mode's check of a release folder: resolves it as the window would, checks its
// identity files, and hands checkFile to the kit's disc check, which must reject it as no
// ISO9660 image. Appends its lines to text (each ending in "\n"); true when it passed.
// boundSeconds is a parameter only so that tests can wait less than the product does.
bool runSelfCheck(const std::string& releaseFolder, const std::string& checkFile, std::string& text,
                  double boundSeconds = kSelfCheckBoundSeconds);

}  // namespace scf
