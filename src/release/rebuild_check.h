#pragma once

namespace scf {

struct ReleaseLayout;
struct ReleaseIdentity;

// The game has been built: its executable and the disc's boot file are both there.
bool gameIsBuilt(const ReleaseLayout& layout);

// New code was installed since the game was built, so the game must be built again.
bool rebuildNeeded(const ReleaseLayout& layout, const ReleaseIdentity& identity);

}  // namespace scf
