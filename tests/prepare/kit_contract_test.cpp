#include "prepare/kit_contract.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/utf8_path.h"
#include "release/release_layout.h"

namespace scf {
namespace {

using ::testing::ElementsAre;

// A root that makes the sample paths absolute on this system ("/rel" alone is relative to the
// working folder's drive on Windows), so they reach the kit exactly as given.
#ifdef _WIN32
const std::string kRoot = "C:";
#else
const std::string kRoot;
#endif

// The working folder put in front of a relative path, joined as the system joins it.
std::string underWorkingFolder(const std::string& relative) {
  const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
  return utf8String(std::filesystem::current_path()) + separator + relative;
}

ReleaseLayout sampleLayout() {
  ReleaseLayout layout;
  layout.pythonExe = kRoot + "/rel/kit/python/bin/python3";
  layout.sourceDir = kRoot + "/rel/source";
  layout.buildScript = kRoot + "/rel/source/tools/scf_build.py";
  layout.buildDir = kRoot + "/rel/build";
  layout.buildLogsDir = kRoot + "/rel/build/logs";
  layout.gameDir = kRoot + "/rel/game";
  return layout;
}

TEST(KitContract, DiscCheckRunsTheKitWithCheckAndTheImage) {
  ChildCommand command = discCheckCommand(sampleLayout(), kRoot + "/discs/my disc.iso");
  EXPECT_EQ(command.program, kRoot + "/rel/kit/python/bin/python3");
  EXPECT_EQ(command.workingFolder, kRoot + "/rel/source");
  EXPECT_THAT(command.arguments,
              ElementsAre("-I", "-X", "utf8", kRoot + "/rel/source/tools/scf_build.py", "--check",
                          "--disc", kRoot + "/discs/my disc.iso"));
}

TEST(KitContract, BuildRunsTheKitWithDiscOutputAndGameFolders) {
  ChildCommand command = buildCommand(sampleLayout(), kRoot + "/discs/scrapfury.cue");
  EXPECT_EQ(command.program, kRoot + "/rel/kit/python/bin/python3");
  EXPECT_EQ(command.workingFolder, kRoot + "/rel/source");
  EXPECT_THAT(command.arguments,
              ElementsAre("-I", "-X", "utf8", kRoot + "/rel/source/tools/scf_build.py", "--disc",
                          kRoot + "/discs/scrapfury.cue", "--out", kRoot + "/rel/build", "--game",
                          kRoot + "/rel/game"));
}

TEST(KitContract, RelativeReleasePathsReachTheKitAbsolute) {
  // The kit runs in sourceDir, so nothing it is given may be relative to our working folder.
  ReleaseLayout layout;
  layout.pythonExe = "rel/kit/python/bin/python3";
  layout.sourceDir = "rel/source";
  layout.buildScript = "rel/source/tools/scf_build.py";
  layout.buildDir = "rel/build";
  layout.gameDir = "./rel/game";
  ChildCommand build = buildCommand(layout, "discs/../discs/usa.iso");
  EXPECT_EQ(build.program, underWorkingFolder("rel/kit/python/bin/python3"));
  EXPECT_EQ(build.workingFolder, "rel/source") << "the child starts from our working folder";
  // Only the working folder is put in front: through a symbolic link ".." would name another
  // file if it were folded away.
  EXPECT_THAT(
      build.arguments,
      ElementsAre("-I", "-X", "utf8", underWorkingFolder("rel/source/tools/scf_build.py"), "--disc",
                  underWorkingFolder("discs/../discs/usa.iso"), "--out",
                  underWorkingFolder("rel/build"), "--game", underWorkingFolder("./rel/game")));
  ChildCommand check = discCheckCommand(layout, "my disc.iso");
  EXPECT_EQ(check.arguments.back(), underWorkingFolder("my disc.iso"));
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

TEST(KitContract, EachStageLogsToItsOwnFileInTheSystemsForm) {
  struct Case {
    const char* logsDir;
    const char* path;
  };
#ifdef _WIN32
  // The shell is handed this path, and a "\\?\" path takes no "/" at all.
  const Case cases[] = {
      {"C:\\rel\\build\\logs", "C:\\rel\\build\\logs\\packs.log"},
      {"C:\\rel\\build\\logs\\", "C:\\rel\\build\\logs\\packs.log"},
      {"C:/rel/build/logs/", "C:\\rel\\build\\logs\\packs.log"},
      {"\\\\?\\C:\\long\\build\\logs", "\\\\?\\C:\\long\\build\\logs\\packs.log"},
      {"\\\\server\\share\\build\\logs", "\\\\server\\share\\build\\logs\\packs.log"},
  };
#else
  const Case cases[] = {
      {"/rel/build/logs", "/rel/build/logs/packs.log"},
      {"/rel/build/logs/", "/rel/build/logs/packs.log"},
  };
#endif
  ReleaseLayout layout = sampleLayout();
  for (const Case& c : cases) {
    layout.buildLogsDir = c.logsDir;
    EXPECT_EQ(kitStageLogPath(layout, "packs"), c.path) << c.logsDir;
  }
}

}  // namespace
}  // namespace scf
