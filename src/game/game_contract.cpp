#include "game/game_contract.h"

#include "release/release_layout.h"

namespace scf {

std::vector<std::string> gameArguments(const ReleaseLayout& layout) {
  return {"--elf", layout.bootFile, "--iso", layout.discIso};
}

ChildCommand gameCommand(const ReleaseLayout& layout) {
  return {layout.gameExe, gameArguments(layout), layout.gameDir};
}

}  // namespace scf
