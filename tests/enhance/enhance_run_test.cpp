#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "enhance/texture_pack.h"
#include "enhance_fixture.h"
#include "release/ini_file.h"

namespace scf {
namespace {

using ::testing::HasSubstr;

constexpr const char* kDone = "Done. The game uses them the next time it starts.";
constexpr const char* kRemoved = "Removed: the game uses its own textures.";
constexpr const char* kStopped = "Stopped. Make them again to go on where it stopped.";

using EnhanceRunTest = EnhanceFixture;

// The whole road on the demo release: make, stop, make again to the end, switch the pack off
// and on, remove; each step driven through the panel as a person would.
TEST_F(EnhanceRunTest, MakeStopMakeAgainSwitchAndRemove) {
  testing::writeFile(app.layout.videoIni, "size = 800x600\nvsync = 1\n");
  ASSERT_TRUE(app.video.load(app.layout.videoIni));

  // Make.
  std::vector<DrawnRun> runs = drawPanel();
  EXPECT_EQ(app.enhance.textureCount, 0);
  EXPECT_FALSE(exactRun(runs, "Remove"));
  runs = click("Make enhanced textures");
  ASSERT_TRUE(app.enhance.running);
  EXPECT_FALSE(app.enhance.removing);
  ASSERT_TRUE(pollToEnd());
  EXPECT_EQ(app.enhance.runError, "");
  EXPECT_EQ(app.enhance.runResult, kDone);
  EXPECT_EQ(app.enhance.textureCount, 7);
  EXPECT_EQ(app.enhance.stage, "finish");
  EXPECT_EQ(app.enhance.progressDone, 7U);
  EXPECT_EQ(app.enhance.progressTotal, 7U);
  runs = drawPanel();
  const DrawnRun* result = exactRun(runs, kDone);
  ASSERT_TRUE(result) << joined(runs);
  EXPECT_EQ(result->colour, opaque(colGood));
  EXPECT_TRUE(exactRun(runs, "Make again"));
  EXPECT_TRUE(exactRun(runs, "Remove"));
  EXPECT_TRUE(exactRun(runs, "In the game: on"));

  // Make again, slowly, and stop while it upscales: the old count stays (two pack files gone
  // meanwhile would show in a recount), the green stopped text and the buttons come back in
  // the frame of the click, and the script's tree is ended.
  env.set("ZA2D_DEMO_ENHANCE_SECONDS", "60");
  click("Make again");
  ASSERT_TRUE(app.enhance.running);
  ASSERT_TRUE(pollUntil([&] { return app.enhance.stage == "upscale" || !app.enhance.running; }));
  ASSERT_TRUE(app.enhance.running) << app.enhance.runError;
  std::filesystem::remove(packFile("CARS_CAR01.png"));
  std::filesystem::remove(packFile("CARS_CAR02.png"));
  runs = drawPanel();
  EXPECT_TRUE(exactRun(runs, "Upscaling with Real-ESRGAN…")) << joined(runs);
  EXPECT_FALSE(exactRun(runs, "Make again"));
  runs = click("Stop");
  EXPECT_FALSE(app.enhance.running);
  EXPECT_EQ(app.enhance.textureCount, 7);
  EXPECT_EQ(app.enhance.runResult, kStopped);
  const DrawnRun* stopped = exactRun(runs, kStopped);
  ASSERT_TRUE(stopped) << joined(runs);
  EXPECT_EQ(stopped->colour, opaque(colGood));
  EXPECT_TRUE(exactRun(runs, "Make again")) << joined(runs);
  EXPECT_TRUE(exactRun(runs, "Remove"));
  EXPECT_FALSE(exactRun(drawPanel(), "Stop"));
  EXPECT_TRUE(pollUntil([&] { return !app.enhance.process.running(); }, 2.0));
  // Nothing more is reported for a stopped run.
  app.enhance.poll(app.layout);
  EXPECT_EQ(app.enhance.runError, "");
  EXPECT_EQ(app.enhance.textureCount, 7);

  // Make again to the end.
  env.set("ZA2D_DEMO_ENHANCE_SECONDS", "0");
  click("Make again");
  ASSERT_TRUE(pollToEnd());
  EXPECT_EQ(app.enhance.runResult, kDone);
  EXPECT_EQ(app.enhance.runError, "");
  EXPECT_EQ(app.enhance.textureCount, 7);
  EXPECT_TRUE(testing::exists(packFile("CARS_CAR01.png")));
  EXPECT_FALSE(testing::exists(packFile(".work")));

  // The switch: off stores the key, on erases it; the other keys stay.
  runs = click("In the game: on");
  EXPECT_FALSE(texturePackOn(app.video));
  IniFile file = readIniFile(app.layout.videoIni, true);
  EXPECT_EQ(file.values["texture_pack"], "off");
  EXPECT_EQ(file.values["vsync"], "1");
  EXPECT_EQ(file.values["size"], "800x600");
  runs = drawPanel();
  EXPECT_TRUE(exactRun(runs, "In the game: off")) << joined(runs);
  click("In the game: off");
  EXPECT_TRUE(texturePackOn(app.video));
  file = readIniFile(app.layout.videoIni, true);
  EXPECT_EQ(file.values.count("texture_pack"), 0U);
  EXPECT_EQ(file.values["vsync"], "1");

  // Remove.
  click("Remove");
  ASSERT_TRUE(app.enhance.running);
  EXPECT_TRUE(app.enhance.removing);
  ASSERT_TRUE(pollToEnd());
  EXPECT_EQ(app.enhance.runResult, kRemoved);
  EXPECT_EQ(app.enhance.runError, "");
  EXPECT_EQ(app.enhance.textureCount, 0);
  EXPECT_FALSE(testing::exists(packFile("")));
  runs = drawPanel();
  EXPECT_TRUE(exactRun(runs, "Make enhanced textures"));
  EXPECT_FALSE(exactRun(runs, "Remove"));
  EXPECT_TRUE(exactRun(runs, kRemoved));
}

// How a run ends, from what the script prints and its exit code.
TEST_F(EnhanceRunTest, TheEndOfARunFromItsLinesAndExitCode) {
  struct Case {
    const char* name;
    const char* script;
    bool remove;
    const char* error;
    const char* result;
  };
  const Case cases[] = {
      {"done and 0", "print('step finish')\nprint('done 7 textures')\n", false, "", kDone},
      {"done and 0, removing", "print('done removed')\n", true, "", kRemoved},
      {"0 without done", "print('step upscale')\nprint('progress 3 7')\n", false,
       "It stopped (exit code 0).", ""},
      {"done without a space", "print('done')\n", false, "It stopped (exit code 0).", ""},
      {"done but 2", "print('done 7 textures')\nraise SystemExit(2)\n", false,
       "It stopped (exit code 2).", ""},
      {"an error line", "print('error the disc data is damaged')\nraise SystemExit(1)\n", false,
       "the disc data is damaged", ""},
      {"an error line, then done and 0", "print('error a warning')\nprint('done 7 textures')\n",
       false, "", kDone},
      {"the last line just before the end", "import sys\nsys.stdout.write('done 7 textures')\n",
       false, "", kDone},
      // The pipe still holds much of the output when the script ends.
      {"a flood of lines, then done",
       "import sys\nsys.stdout.write('progress 1 2\\n' * 200000 + 'done 7 textures\\n')\n", false,
       "", kDone},
      // What the script's own helper prints after the script has ended still counts.
      {"the last line from a helper after the end",
       "import subprocess, sys\nsubprocess.Popen([sys.executable, '-c', 'import time; "
       "time.sleep(0.5); print(\"done 7 textures\")'])\n",
       false, "", kDone},
      {"killed", "import os, signal\nos.kill(os.getpid(), signal.SIGKILL)\n", false,
       "It stopped (exit code 137).", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    scriptBody(c.script);
    app.enhance.runResult = "old result";
    app.enhance.runError = "old error";
    startEnhance(app, c.remove);
    ASSERT_TRUE(app.enhance.running);
    EXPECT_EQ(app.enhance.runResult, "");
    EXPECT_EQ(app.enhance.runError, "");
    ASSERT_TRUE(pollToEnd());
    EXPECT_EQ(app.enhance.runError, c.error);
    EXPECT_EQ(app.enhance.runResult, c.result);
    EXPECT_EQ(app.enhance.textureCount, 0);
    const std::vector<DrawnRun> runs = drawPanel();
    const bool failed = c.error[0] != '\0';
    const DrawnRun* shown = exactRun(runs, failed ? c.error : c.result);
    ASSERT_TRUE(shown) << joined(runs);
    EXPECT_EQ(shown->colour, opaque(failed ? colBad : colGood));
  }
}

TEST_F(EnhanceRunTest, ARunThatCannotStartSaysWhy) {
  app.layout.pythonExe = dir / "no-python";
  app.enhance.runResult = "old";
  startEnhance(app, false);
  EXPECT_FALSE(app.enhance.running);
  EXPECT_THAT(app.enhance.runError, HasSubstr("It could not start: "));
  EXPECT_GT(app.enhance.runError.size(), std::string("It could not start: ").size());
  EXPECT_EQ(app.enhance.runResult, "");
  uiFrench = true;
  startEnhance(app, false);
  EXPECT_THAT(app.enhance.runError, HasSubstr("Impossible de démarrer : "));
}

TEST_F(EnhanceRunTest, NothingStartsWhileARunOrABuildGoesOn) {
  scriptBody("print('done 1')\n");
  app.build.building = true;
  startEnhance(app, false);
  EXPECT_FALSE(app.enhance.running);
  EXPECT_EQ(app.enhance.process.processId(), 0U);
  app.build.building = false;

  scriptBody("import time\ntime.sleep(30)\n");
  startEnhance(app, false);
  ASSERT_TRUE(app.enhance.running);
  const std::uint32_t first = app.enhance.process.processId();
  startEnhance(app, true);
  EXPECT_EQ(app.enhance.process.processId(), first);
  EXPECT_FALSE(app.enhance.removing);
  app.enhance.stop();
  EXPECT_FALSE(app.enhance.running);
}

TEST_F(EnhanceRunTest, ARemovalCannotBeStopped) {
  scriptBody(
      "import time\nprint('step remove', flush=True)\ntime.sleep(1)\nprint('done removed')\n");
  startEnhance(app, true);
  ASSERT_TRUE(app.enhance.running);
  const std::vector<DrawnRun> runs = drawPanel();
  EXPECT_TRUE(exactRun(runs, "Removing…")) << joined(runs);
  EXPECT_FALSE(exactRun(runs, "Stop"));
  app.enhance.stop();
  EXPECT_TRUE(app.enhance.running);
  ASSERT_TRUE(pollToEnd());
  EXPECT_EQ(app.enhance.runResult, kRemoved);
}

}  // namespace
}  // namespace scf
