#include "game/game_contract.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "release/release_layout.h"

namespace scf {
namespace {

TEST(GameContract, StartsTheGameWithItsBootFileAndDiscInTheGameFolder) {
  ReleaseLayout layout;
  layout.gameDir = "/rel/game";
  layout.gameExe = "/rel/game/scf";
  layout.bootFile = "/rel/game/SXUS_902.10";
  layout.discIso = "/rel/game/disc.iso";
  ChildCommand command = gameCommand(layout);
  EXPECT_EQ(command.program, "/rel/game/scf");
  EXPECT_EQ(command.workingFolder, "/rel/game");
  EXPECT_THAT(command.arguments, ::testing::ElementsAre("--elf", "/rel/game/SXUS_902.10", "--iso",
                                                        "/rel/game/disc.iso"));
}

TEST(GameContract, RelativeReleasePathsReachTheGameAbsolute) {
  ReleaseLayout layout;
  layout.gameDir = "rel/game";
  layout.gameExe = "rel/game/scf";
  layout.bootFile = "rel/game/SXUS_902.10";
  layout.discIso = "rel/game/disc.iso";
  const std::string cwd = std::filesystem::current_path().string();
  ChildCommand command = gameCommand(layout);
  EXPECT_EQ(command.program, cwd + "/rel/game/scf");
  EXPECT_EQ(command.workingFolder, "rel/game");
  EXPECT_THAT(command.arguments, ::testing::ElementsAre("--elf", cwd + "/rel/game/SXUS_902.10",
                                                        "--iso", cwd + "/rel/game/disc.iso"));
}

}  // namespace
}  // namespace scf
