#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "enhance_fixture.h"

namespace scf {
namespace {

using EnhancePanel = EnhanceFixture;

constexpr const char* kNoUpscaler = "This release's build kit has no Real-ESRGAN.";
constexpr const char* kPrepareFirst = "Prepare the game first.";

// When Make is offered and what the status line says; a disabled Make starts nothing.
TEST_F(EnhancePanel, MakeNeedsTheUpscalerTheGameAndNoBuild) {
  struct Case {
    const char* name;
    bool upscaler;
    bool game;
    bool building;
    bool gameRunning;
    const char* status;  // empty: no status line
    bool enabled;
  };
  const Case cases[] = {
      {"everything there", true, true, false, false, "", true},
      {"no upscaler", false, true, false, false, kNoUpscaler, false},
      {"no upscaler, no game", false, false, false, false, kNoUpscaler, false},
      {"no game", true, false, false, false, kPrepareFirst, false},
      {"a build runs", true, true, true, false, "", false},
      {"the game runs", true, true, false, true, "", false},
  };
  const std::string upscaler = app.layout.kitDir + "/realesrgan/realesrgan-ncnn-vulkan";
  const std::string kept = dir / "kept-upscaler";
  std::filesystem::copy_file(upscaler, kept);
  scriptBody("import time\ntime.sleep(30)\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(upscaler);
    if (c.upscaler) std::filesystem::copy_file(kept, upscaler);
    std::filesystem::remove(app.layout.gameExe);
    if (c.game) testing::writeFile(app.layout.gameExe, "game");
    app.build.building = c.building;
    app.game.gameRunning = c.gameRunning;
    const std::vector<DrawnRun> runs = drawPanel();
    for (const char* status : {kNoUpscaler, kPrepareFirst}) {
      EXPECT_EQ(exactRun(runs, status) != nullptr, c.status == status) << joined(runs);
    }
    const DrawnRun* status = exactRun(runs, c.status);
    if (status != nullptr) EXPECT_EQ(status->colour, opaque(colLabel));
    click("Make enhanced textures");
    EXPECT_EQ(app.enhance.running, c.enabled);
    if (app.enhance.running) app.enhance.stop();
    app.enhance.runResult.clear();
  }
}

TEST_F(EnhancePanel, TheCountLineOnlyWithoutAMessage) {
  for (int i = 0; i < 3; ++i)
    testing::writeFile(packFile("T" + std::to_string(i) + ".png"), "png");
  std::vector<DrawnRun> runs = drawPanel();
  EXPECT_EQ(app.enhance.textureCount, 3);
  EXPECT_TRUE(exactRun(runs, "3 enhanced textures, in your user folder.")) << joined(runs);
  EXPECT_TRUE(exactRun(runs, "Make again"));
  EXPECT_TRUE(exactRun(runs, "Remove"));
  app.enhance.runError = "the disc data is damaged";
  runs = drawPanel();
  EXPECT_FALSE(exactRun(runs, "3 enhanced textures, in your user folder.")) << joined(runs);
  EXPECT_TRUE(exactRun(runs, "the disc data is damaged"));
  // Counted once: a pack changed behind the panel's back shows after the next run.
  testing::writeFile(packFile("T9.png"), "png");
  drawPanel();
  EXPECT_EQ(app.enhance.textureCount, 3);
}

TEST_F(EnhancePanel, RunningShowsTheStageTheBarAndStop) {
  scriptBody("import time\ntime.sleep(30)\n");
  startEnhance(app, false);
  ASSERT_TRUE(app.enhance.running);
  struct Case {
    const char* line;
    const char* label;
  };
  const Case cases[] = {
      {"", "Preparing…"},
      {"step dump", "Reading the textures of every arena and car…"},
      {"progress 40 400", "Reading the textures of every arena and car…"},
      {"step upscale", "Upscaling with Real-ESRGAN…"},
      {"step finish", "Writing the textures…"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    if (c.line[0] != '\0') app.enhance.takeLine(c.line);
    const std::vector<DrawnRun> runs = drawPanel();
    const DrawnRun* label = exactRun(runs, c.label);
    ASSERT_TRUE(label) << joined(runs);
    EXPECT_EQ(label->colour, opaque(colText));
    EXPECT_TRUE(exactRun(runs, "Stop"));
    EXPECT_FALSE(exactRun(runs, "Make enhanced textures"));
    EXPECT_FALSE(exactRun(runs, "Prepare the game first."));
  }
  uiFrench = true;
  const std::vector<DrawnRun> runs = drawPanel();
  EXPECT_TRUE(exactRun(runs, "Écriture des textures…")) << joined(runs);
  EXPECT_TRUE(exactRun(runs, "Arrêter"));
  app.enhance.stop();
}

TEST_F(EnhancePanel, FrenchTexts) {
  uiFrench = true;
  testing::writeFile(packFile("A.png"), "png");
  std::vector<DrawnRun> runs = drawPanel();
  const std::string text = joined(runs);
  for (const char* expected :
       {"Textures améliorées (IA)", "Refaire", "Supprimer", "Dans le jeu : oui",
        "1 textures améliorées, dans votre dossier utilisateur."}) {
    EXPECT_TRUE(exactRun(runs, expected)) << expected << "\n" << text;
  }
  std::filesystem::remove(packFile("A.png"));
  app.enhance.textureCount = -1;
  runs = drawPanel();
  EXPECT_TRUE(exactRun(runs, "Créer les textures améliorées")) << joined(runs);
}

}  // namespace
}  // namespace scf
