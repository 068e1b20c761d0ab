// The frame loop presents a frame only when something on screen changes: an idle launcher with
// the background still draws nothing, and an input or a changed state reaches the screen on the
// turn it happens. The moving background keeps a low rate while the window is not focused.
#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/window.h"
#include "imgui.h"
#include "platform/clock.h"
#include "platform/processor_time.h"
#include "release/tr.h"
#include "support/test_support.h"
#include "ui/look_and_feel.h"
#include "ui/screen_layout.h"

namespace scf {
namespace {

class FrameLoopFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no X display";
    uiFrench = false;
    std::string error;
    ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, 1.0f, error)) << error;
    ImGui::StyleColorsDark();
    applyLookAndFeel();
    opened_ = true;
    layOutScreenApp(app, dir);
    app.screen = kScreenMain;
    app.settings.updateCheck = false;
  }
  void TearDown() override {
    if (opened_) closeWindow();
  }

  static void push(Uint32 type) {
    SDL_Event event{};
    event.type = type;
    event.window.windowID = SDL_GetWindowID(sdlWindow());
    SDL_PushEvent(&event);
  }

  testing::TempFolder dir;
  App app;
  bool opened_ = false;
};

TEST_F(FrameLoopFrames, IdleDrawsNothingAndEachChangeDrawsOnItsTurn) {
  app.settings.motion = false;
  enum Phase { settle, idle, changed, afterChange, input, afterInput, done };
  Phase phase = settle;
  double phaseStart = nowSeconds();
  const double loopStart = phaseStart;
  std::uint64_t settledAt = framesPresented();
  std::uint64_t mark = 0;
  std::uint64_t idleFrames = 99;
  std::uint64_t changeFrames = 0;
  std::uint64_t inputFrames = 0;
  int idleTurns = 0;
  runFrameLoop(app, [&](App& a) {
    const double now = nowSeconds();
    switch (phase) {
      case settle:
        // The window system's own first events (mapping, focus, exposure) may come late on a
        // busy machine: the idle second starts once half a second has passed without a frame.
        if (framesPresented() != settledAt) {
          settledAt = framesPresented();
          phaseStart = now;
        } else if (now - phaseStart > 0.5 || now - loopStart > 20.0) {
          phase = idle;
          phaseStart = now;
          mark = framesPresented();
        }
        break;
      case idle:
        ++idleTurns;
        if (now - phaseStart > 1.0) {
          idleFrames = framesPresented() - mark;
          // A finished task changes what the Play tab says: drawn on this very turn.
          a.build.statusText = "Stopped. Preparing continues from there next time.";
          mark = framesPresented();
          phase = changed;
        }
        break;
      case changed:
        changeFrames = framesPresented() - mark;
        phase = afterChange;
        phaseStart = now;
        break;
      case afterChange:
        if (now - phaseStart > 0.5) {
          // An input arrives: the next turn takes it and presents its frame.
          SDL_Event motion{};
          motion.type = SDL_EVENT_MOUSE_MOTION;
          motion.motion.windowID = SDL_GetWindowID(sdlWindow());
          motion.motion.x = 5.0f;
          motion.motion.y = 5.0f;
          SDL_PushEvent(&motion);
          mark = framesPresented();
          phase = input;
        }
        break;
      case input:
        phase = afterInput;
        break;
      case afterInput:
        inputFrames = framesPresented() - mark;
        phase = done;
        a.quitConfirmed = true;
        break;
      case done:
        break;
    }
  });
  EXPECT_EQ(idleFrames, 0u) << "frames presented while nothing changed";
  EXPECT_LE(idleTurns, 12) << "the idle turns waited for events";
  EXPECT_EQ(changeFrames, 1u) << "the changed state was presented on its turn";
  EXPECT_GE(inputFrames, 1u) << "the input was presented on the next turn";
}

TEST_F(FrameLoopFrames, TheMovingBackgroundSlowsDownWithoutTheFocus) {
  app.settings.motion = true;
  // A small window keeps each frame cheap, so the rate is the loop's choice and not the renderer's.
  SDL_SetWindowSize(sdlWindow(), 64, 48);
  SDL_SyncWindow(sdlWindow());
  double start = 0;
  std::uint64_t mark = 0;
  std::uint64_t unfocused = 0;
  int turn = 0;
  runFrameLoop(app, [&](App& a) {
    ++turn;
    if (turn == 2) push(SDL_EVENT_WINDOW_FOCUS_LOST);
    if (turn == 4) {
      start = nowSeconds();
      mark = framesPresented();
    }
    if (turn > 4 && nowSeconds() - start >= 1.0) {
      unfocused = framesPresented() - mark;
      a.quitConfirmed = true;
    }
  });
  EXPECT_GE(unfocused, 5u) << "the background still moves";
  EXPECT_LE(unfocused, 17u) << "at most 15 frames a second without the focus";
}

// Where every turn is dear (software OpenGL in a large window), 15 frames a second would still
// keep a processor busy: without the focus the loop pauses until its turns have used at most a
// tenth of one processor.
TEST_F(FrameLoopFrames, DearFramesWithoutTheFocusSlowDownFurther) {
  app.settings.motion = true;
  SDL_SetWindowSize(sdlWindow(), 64, 48);
  SDL_SyncWindow(sdlWindow());
  double start = 0;
  std::uint64_t mark = 0;
  std::uint64_t unfocused = 0;
  int turn = 0;
  runFrameLoop(app, [&](App& a) {
    ++turn;
    if (turn == 2) push(SDL_EVENT_WINDOW_FOCUS_LOST);
    // Each turn burns 20 ms of processor time: at a tenth of a processor that is a turn every
    // 200 ms, five in a second (at 15 frames a second it would be about twelve).
    const double burnUntil = processorSeconds() + 0.02;
    while (processorSeconds() < burnUntil) {
    }
    if (turn == 4) {
      start = nowSeconds();
      mark = framesPresented();
    }
    if (turn > 4 && nowSeconds() - start >= 1.0) {
      unfocused = framesPresented() - mark;
      a.quitConfirmed = true;
    }
  });
  EXPECT_GE(unfocused, 1u) << "the background still moves";
  EXPECT_LE(unfocused, 7u) << "dear turns without the focus use at most a tenth of a processor";
}

}  // namespace
}  // namespace scf
