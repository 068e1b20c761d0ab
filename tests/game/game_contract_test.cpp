#include "game/game_contract.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "release/release_layout.h"
#include "support/test_support.h"

namespace scf {
namespace {

using testing::nativePath;

// The path made absolute the system's way ("/rel" is "Z:\\rel" under wine), as it spells it.
std::string absoluteNative(const std::string& path) {
  return nativePath(utf8String(std::filesystem::absolute(utf8Path(path))));
}

std::vector<std::string> nativePaths(const std::vector<std::string>& list) {
  std::vector<std::string> result;
  for (const std::string& item : list)
    result.push_back(nativePath(item));
  return result;
}

TEST(GameContract, StartsTheGameWithItsBootFileAndDiscInTheGameFolder) {
  ReleaseLayout layout;
  layout.gameDir = "/rel/game";
  layout.gameExe = "/rel/game/scf";
  layout.bootFile = "/rel/game/SXUS_902.10";
  layout.discIso = "/rel/game/disc.iso";
  ChildCommand command = gameCommand(layout);
  EXPECT_EQ(nativePath(command.program), absoluteNative("/rel/game/scf"));
  EXPECT_EQ(command.workingFolder, "/rel/game");
  EXPECT_THAT(nativePaths(command.arguments),
              ::testing::ElementsAre("--elf", absoluteNative("/rel/game/SXUS_902.10"), "--iso",
                                     absoluteNative("/rel/game/disc.iso")));
}

TEST(GameContract, RelativeReleasePathsReachTheGameAbsolute) {
  ReleaseLayout layout;
  layout.gameDir = "rel/game";
  layout.gameExe = "rel/game/scf";
  layout.bootFile = "rel/game/SXUS_902.10";
  layout.discIso = "rel/game/disc.iso";
  const std::string cwd = utf8String(std::filesystem::current_path());
  ChildCommand command = gameCommand(layout);
  EXPECT_EQ(nativePath(command.program), nativePath(cwd + "/rel/game/scf"));
  EXPECT_EQ(command.workingFolder, "rel/game");
  EXPECT_THAT(nativePaths(command.arguments),
              ::testing::ElementsAre("--elf", nativePath(cwd + "/rel/game/SXUS_902.10"), "--iso",
                                     nativePath(cwd + "/rel/game/disc.iso")));
}

}  // namespace
}  // namespace scf
