#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/app.h"
#include "enhance/enhance_run.h"
#include "enhance/enhance_stage.h"
#include "release/tr.h"

namespace scf {
namespace {

// The state the lines move, before and after.
struct Seen {
  std::string stage;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  std::string error;
  bool doneSeen = false;
};

Seen seen(const EnhanceRun& run) {
  return {run.stage, run.progressDone, run.progressTotal, run.runError, run.doneSeen};
}

TEST(EnhanceLine, EachLineMovesOnlyWhatItNames) {
  const Seen before{"dump", 3, 9, "old", false};
  struct Case {
    const char* line;
    Seen after;
  };
  const Case cases[] = {
      {"step upscale", {"upscale", 0, 0, "old", false}},
      {"step ", {"", 0, 0, "old", false}},
      {"step  two words", {" two words", 0, 0, "old", false}},
      {"progress 40 400", {"dump", 40, 400, "old", false}},
      {"progress 5 6 7", {"dump", 5, 6, "old", false}},
      {"progress  12  13", {"dump", 12, 13, "old", false}},
      {"progress 7 8x", {"dump", 7, 8, "old", false}},
      // A pair that cannot be read falls through to the other checks, which it never matches.
      {"progress 40 x", before},
      {"progress x 40", before},
      {"progress 40", before},
      {"progress ", before},
      {"error disc unreadable", {"dump", 3, 9, "disc unreadable", false}},
      {"error ", {"dump", 3, 9, "", false}},
      {"error", before},
      {"done 7 textures", {"dump", 3, 9, "old", true}},
      {"done ", {"dump", 3, 9, "old", true}},
      {"done", before},
      // Shorter than five characters: ignored, whatever it starts with.
      {"step", before},
      {"ste", before},
      {"", before},
      {"Step dump", before},
      {" step dump", before},
      {"stepdump", before},
      {"doneX", before},
      {"info reading the disc", before},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    App app;
    EnhanceRun& run = app.enhance;
    run.stage = before.stage;
    run.progressDone = before.done;
    run.progressTotal = before.total;
    run.runError = before.error;
    app.enhance.takeLine(c.line);
    const Seen after = seen(run);
    EXPECT_EQ(after.stage, c.after.stage);
    EXPECT_EQ(after.done, c.after.done);
    EXPECT_EQ(after.total, c.after.total);
    EXPECT_EQ(after.error, c.after.error);
    EXPECT_EQ(after.doneSeen, c.after.doneSeen);
  }
}

TEST(EnhanceLine, AStepAfterProgressEmptiesTheBar) {
  App app;
  for (const char* line : {"step dump", "progress 40 400", "step upscale"})
    app.enhance.takeLine(line);
  EXPECT_EQ(app.enhance.stage, "upscale");
  EXPECT_EQ(app.enhance.progressDone, 0U);
  EXPECT_EQ(app.enhance.progressTotal, 0U);
}

TEST(EnhanceStage, TheStageNamesAndTheRest) {
  struct Case {
    const char* stage;
    bool removing;
    const char* english;
    const char* french;
  };
  const Case cases[] = {
      {"dump", false, "Reading the textures of every arena and car…",
       "Lecture des textures de chaque arène et véhicule…"},
      {"upscale", false, "Upscaling with Real-ESRGAN…", "Agrandissement avec Real-ESRGAN…"},
      {"finish", false, "Writing the textures…", "Écriture des textures…"},
      {"", false, "Preparing…", "Préparation…"},
      {"Upscale", false, "Preparing…", "Préparation…"},
      {"cleanup", false, "Preparing…", "Préparation…"},
      {"upscale", true, "Removing…", "Suppression…"},
      {"", true, "Removing…", "Suppression…"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    EnhanceRun run;
    run.stage = c.stage;
    run.removing = c.removing;
    uiFrench = false;
    EXPECT_STREQ(enhanceStageText(run), c.english);
    uiFrench = true;
    EXPECT_STREQ(enhanceStageText(run), c.french);
  }
  uiFrench = false;
}

}  // namespace
}  // namespace scf
