#include "prepare/kit_contract.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "release/release_layout.h"

namespace scf {
namespace {

using ::testing::ElementsAre;

ReleaseLayout sampleLayout() {
  ReleaseLayout layout;
  layout.pythonExe = "/rel/kit/python/bin/python3";
  layout.sourceDir = "/rel/source";
  layout.buildScript = "/rel/source/tools/scf_build.py";
  layout.buildDir = "/rel/build";
  layout.buildLogsDir = "/rel/build/logs";
  layout.gameDir = "/rel/game";
  return layout;
}

TEST(KitContract, DiscCheckRunsTheKitWithCheckAndTheImage) {
  ChildCommand command = discCheckCommand(sampleLayout(), "/discs/my disc.iso");
  EXPECT_EQ(command.program, "/rel/kit/python/bin/python3");
  EXPECT_EQ(command.workingFolder, "/rel/source");
  EXPECT_THAT(command.arguments, ElementsAre("-I", "-X", "utf8", "/rel/source/tools/scf_build.py",
                                             "--check", "--disc", "/discs/my disc.iso"));
}

TEST(KitContract, BuildRunsTheKitWithDiscOutputAndGameFolders) {
  ChildCommand command = buildCommand(sampleLayout(), "/discs/scrapfury.cue");
  EXPECT_EQ(command.program, "/rel/kit/python/bin/python3");
  EXPECT_EQ(command.workingFolder, "/rel/source");
  EXPECT_THAT(command.arguments,
              ElementsAre("-I", "-X", "utf8", "/rel/source/tools/scf_build.py", "--disc",
                          "/discs/scrapfury.cue", "--out", "/rel/build", "--game", "/rel/game"));
}

TEST(KitContract, RelativeReleasePathsReachTheKitAbsolute) {
  // The kit runs in sourceDir, so nothing it is given may be relative to our working folder.
  ReleaseLayout layout;
  layout.pythonExe = "rel/kit/python/bin/python3";
  layout.sourceDir = "rel/source";
  layout.buildScript = "rel/source/tools/scf_build.py";
  layout.buildDir = "rel/build";
  layout.gameDir = "./rel/game";
  const std::string cwd = std::filesystem::current_path().string();
  ChildCommand build = buildCommand(layout, "discs/../discs/usa.iso");
  EXPECT_EQ(build.program, cwd + "/rel/kit/python/bin/python3");
  EXPECT_EQ(build.workingFolder, "rel/source") << "the child starts from our working folder";
  // Only the working folder is put in front: through a symbolic link ".." would name another
  // file if it were folded away.
  EXPECT_THAT(build.arguments,
              ElementsAre("-I", "-X", "utf8", cwd + "/rel/source/tools/scf_build.py", "--disc",
                          cwd + "/discs/../discs/usa.iso", "--out", cwd + "/rel/build", "--game",
                          cwd + "/./rel/game"));
  ChildCommand check = discCheckCommand(layout, "my disc.iso");
  EXPECT_EQ(check.arguments.back(), cwd + "/my disc.iso");
}

TEST(KitContract, OtherScriptsGetTheSameInterpreterOptions) {
  EXPECT_THAT(interpreterArguments("/rel/update/install.py"),
              ElementsAre("-I", "-X", "utf8", "/rel/update/install.py"));
}

TEST(KitContract, StagesComeInTheKitsOrder) {
  EXPECT_THAT(kitStageKeys, ElementsAre("verify", "extract", "configure", "tools", "recompile",
                                        "packs", "compile", "stage"));
  EXPECT_EQ(kitStageIndex("verify"), 0);
  EXPECT_EQ(kitStageIndex("stage"), 7);
  EXPECT_EQ(kitStageIndex("Stage"), -1);
  EXPECT_EQ(kitStageIndex(""), -1);
}

TEST(KitContract, EachStageLogsToItsOwnFile) {
  ReleaseLayout layout = sampleLayout();
  EXPECT_EQ(kitStageLogPath(layout, "packs"), "/rel/build/logs/packs.log");
  layout.buildLogsDir = "/rel/build/logs/";
  EXPECT_EQ(kitStageLogPath(layout, "packs"), "/rel/build/logs/packs.log");
}

}  // namespace
}  // namespace scf
