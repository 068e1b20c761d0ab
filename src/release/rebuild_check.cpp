#include "release/rebuild_check.h"

#include "platform/file_status.h"
#include "release/release_identity.h"
#include "release/release_layout.h"

namespace scf {

bool gameIsBuilt(const ReleaseLayout& layout) {
  return pathExists(layout.gameExe) && pathExists(layout.bootFile);
}

bool rebuildNeeded(const ReleaseLayout& layout, const ReleaseIdentity& identity) {
  return gameIsBuilt(layout) && !identity.releaseCommit.empty() &&
         identity.releaseCommit != identity.builtFromCommit;
}

}  // namespace scf
