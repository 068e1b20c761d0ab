#include "game/game_contract.h"

#include "platform/absolute_path.h"
#include "release/release_layout.h"

namespace scf {

std::vector<std::string> gameArguments(const ReleaseLayout& layout) {
  return {"--elf", layout.bootFile, "--iso", layout.discIso};
}

ChildCommand gameCommand(const ReleaseLayout& layout) {
  // The game runs in gameDir: its paths must not depend on the launcher's working folder.
  ReleaseLayout absolute;
  absolute.bootFile = absolutePath(layout.bootFile);
  absolute.discIso = absolutePath(layout.discIso);
  return {absolutePath(layout.gameExe), gameArguments(absolute), layout.gameDir};
}

}  // namespace scf
