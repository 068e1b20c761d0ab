// Every screen and tab, in both languages, at the window sizes the launcher allows and at two
// scales, checked from the widgets' own rectangles: nothing reaches into the footer or out of
// the window, and a card body that does not fit scrolls inside the card with a hint.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/app.h"
#include "app/file_facts.h"
#include "app/window_size.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "platform/gaming_mode.h"
#include "release/tr.h"
#include "screen_layout.h"
#include "support/test_support.h"
#include "ui/layout_record.h"
#include "ui/main_window.h"

namespace scf {
namespace {

struct Screen {
  const char* name;
  void (*setUp)(App& app, const testing::TempFolder& dir);
};

void buildGame(App& app) {
  testing::writeFile(app.layout.gameExe, "game");
  testing::writeFile(app.layout.bootFile, "boot");
}

const Screen kScreens[] = {
    {"welcome", [](App& a, const testing::TempFolder&) { a.screen = kScreenWelcome; }},
    {"missing files",
     [](App& a, const testing::TempFolder&) {
       a.screen = kScreenMissingFiles;
       a.missingItem = "source/tools/scf_build.py";
     }},
    {"play ready",
     [](App& a, const testing::TempFolder&) {
       a.screen = kScreenMain;
       buildGame(a);
     }},
    {"play not ready", [](App& a, const testing::TempFolder&) { a.screen = kScreenMain; }},
    {"preparing",
     [](App& a, const testing::TempFolder&) {
       a.screen = kScreenPreparing;
       a.build.building = true;
       a.progress.reset(1000.0);
       for (const char* line :
            {"PROGRESS verify", "DONE verify in 0.6", "PROGRESS configure", "PERCENT configure 50"})
         a.progress.feed(line, 1010.0);
     }},
    {"stopped",
     [](App& a, const testing::TempFolder&) {
       a.screen = kScreenStopped;
       a.progress.reset(0.0);
       a.progress.failedStage = "compile";
       a.progress.failureText = "cc1plus: out of memory";
       a.progress.outputLines = {"PROGRESS compile", "ERROR compile cc1plus: out of memory"};
     }},
    {"settings",
     [](App& a, const testing::TempFolder&) {
       a.screen = kScreenMain;
       a.currentTab = kTabSettings;
       buildGame(a);
       a.videoSaved = true;
     }},
    {"settings while preparing",
     [](App& a, const testing::TempFolder&) {
       a.screen = kScreenPreparing;
       a.currentTab = kTabSettings;
       a.build.building = true;
       a.progress.reset(1000.0);
     }},
    {"maintenance",
     [](App& a, const testing::TempFolder&) {
       a.screen = kScreenMain;
       a.currentTab = kTabMaintenance;
     }},
};

struct Size {
  float width, height;  // points
};
const Size kSizes[] = {{980, 700}, {1120, 760}, {1280, 800}, {1920, 1080}};

class LayoutFit : public ::testing::Test {
 protected:
  void TearDown() override {
    stopLayoutRecord();
    uiFrench = false;
  }

  // A fresh App showing the screen, drawn until it settles; the last frame is recorded.
  void show(const Screen& screen, bool french) {
    uiFrench = french;
    app = std::make_unique<App>();
    layOutScreenApp(*app, dir);
    std::filesystem::remove_all(app->layout.gameDir);
    app->identity.displayVersion = "0.8.0";
    app->identity.changelogText = "- one\n";
    screen.setUp(*app, dir);
    app->lastInput = lastInput;
    lookAtFilesNow(*app);
    draw();
    draw();
    record();
  }
  void draw() {
    gui->bareFrame([&] { drawMainWindow(*app); });
  }
  void record() {
    startLayoutRecord();
    draw();
    stopLayoutRecord();
  }

  std::unique_ptr<HeadlessGui> gui;
  testing::TempFolder dir;
  std::unique_ptr<App> app;
  // The pad's hints stand in the footer after a pad input.
  InputKind lastInput = InputKind::none;

  void expectThePadReachesEveryControl();
};

// Says what is wrong with the recorded frame, or nothing.
std::string misfits(float scale, ImVec2 window) {
  const float footerTop = window.y - kFooterBand * scale;
  const CardBodyRecord& card = cardBodyRecord();
  std::string faults;
  auto fault = [&](const LayoutRect& rect, const char* why) {
    faults += "'" + rect.what + "' " + why + " (" + std::to_string(rect.min.x) + ", " +
              std::to_string(rect.min.y) + ")-(" + std::to_string(rect.max.x) + ", " +
              std::to_string(rect.max.y) + ")\n";
  };
  if (!card.present) return "no card was drawn\n";
  if (card.cardMax.y > footerTop) faults += "the card reaches into the footer\n";
  if (card.clipMax.y > footerTop) faults += "the card's body reaches into the footer\n";
  const float slack = 0.5f;
  for (const LayoutRect& rect : layoutRecord()) {
    if (rect.what.empty()) continue;
    if (rect.inScrollBody) {
      if (rect.min.x < card.clipMin.x - slack || rect.max.x > card.clipMax.x + slack)
        fault(rect, "is cut by the card's side");
      if (!card.scrolls &&
          (rect.min.y < card.clipMin.y - slack || rect.max.y > card.clipMax.y + slack))
        fault(rect, "is cut by the card's edge although it does not scroll");
      continue;
    }
    if (rect.min.x < -slack || rect.min.y < -slack || rect.max.x > window.x + slack ||
        rect.max.y > window.y + slack)
      fault(rect, "leaves the window");
    if (rect.part == LayoutPart::footer) {
      if (rect.min.y < card.cardMax.y) fault(rect, "(footer) overlaps the card");
    } else if (rect.max.y > footerTop + slack) {
      fault(rect, "reaches into the footer");
    }
    if (rect.part == LayoutPart::header && rect.max.y > card.cardMin.y + slack)
      fault(rect, "(header) overlaps the card");
  }
  return faults;
}

TEST_F(LayoutFit, EveryScreenFitsAtEverySizeInBothLanguages) {
  for (float scale : {1.0f, 2.0f}) {
    gui.reset();  // the old one puts the scale back when it goes
    gui = std::make_unique<HeadlessGui>(scale, ImVec2(1120.0f * scale, 760.0f * scale));
    for (const Size& size : kSizes) {
      const ImVec2 window(size.width * scale, size.height * scale);
      ImGui::GetIO().DisplaySize = window;
      for (const Screen& screen : kScreens) {
        for (bool french : {false, true}) {
          SCOPED_TRACE(std::string(screen.name) + (french ? " fr " : " en ") +
                       std::to_string(int(size.width)) + "x" + std::to_string(int(size.height)) +
                       " scale " + std::to_string(int(scale)));
          show(screen, french);
          EXPECT_EQ(misfits(scale, window), "");
          const CardBodyRecord card = cardBodyRecord();
          EXPECT_EQ(card.moreHint, card.scrolls) << "at the top, a body that scrolls says so";
          if (!card.scrolls) continue;

          // End shows the rest: the lowest widget comes into view and the hint goes.
          gui->pressKey(ImGuiKey_End, [&] { drawMainWindow(*app); });
          record();
          float lowest = 0.0f;
          for (const LayoutRect& rect : layoutRecord())
            if (rect.inScrollBody) lowest = std::max(lowest, rect.max.y);
          EXPECT_LE(lowest, cardBodyRecord().clipMax.y + 0.5f) << "End reaches the bottom";
          EXPECT_FALSE(cardBodyRecord().moreHint);
          EXPECT_EQ(misfits(scale, window), "");
          gui->pressKey(ImGuiKey_Home, [&] { drawMainWindow(*app); });
        }
      }
    }
    EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
  }
}

// The footer's pieces (links, version, the pad's hints, the notices at its right end) never
// overlap one another.
std::string footerOverlaps() {
  std::string faults;
  const std::vector<LayoutRect>& rects = layoutRecord();
  for (size_t i = 0; i < rects.size(); ++i) {
    for (size_t j = i + 1; j < rects.size(); ++j) {
      const LayoutRect& a = rects[i];
      const LayoutRect& b = rects[j];
      if (a.part != LayoutPart::footer || b.part != LayoutPart::footer) continue;
      if (a.what.empty() || b.what.empty()) continue;
      if (a.min.x < b.max.x && b.min.x < a.max.x && a.min.y < b.max.y && b.min.y < a.max.y)
        faults += "'" + a.what + "' overlaps '" + b.what + "'\n";
    }
  }
  return faults;
}

// Down on the pad's D-pad, again and again, walks the body's controls, and the body scrolls so
// that each focused one is in view.
void LayoutFit::expectThePadReachesEveryControl() {
  ImGui::GetIO().BackendFlags |= ImGuiBackendFlags_HasGamepad;
  ImGuiContext& g = *GImGui;
  float scrolled = 0.0f;
  for (int step = 0; step < 24; ++step) {
    gui->pressKey(ImGuiKey_GamepadDpadDown, [&] { drawMainWindow(*app); });
    draw();
    ImGuiWindow* window = g.NavWindow;
    ASSERT_NE(window, nullptr);
    if (!(window->Flags & ImGuiWindowFlags_ChildWindow)) break;  // past the body
    const ImRect focused = ImGui::WindowRectRelToAbs(window, window->NavRectRel[0]);
    EXPECT_GE(focused.Min.y, window->InnerClipRect.Min.y - 0.5f) << "step " << step;
    EXPECT_LE(focused.Max.y, window->InnerClipRect.Max.y + 0.5f) << "step " << step;
    scrolled = std::max(scrolled, window->Scroll.y);
  }
  EXPECT_GT(scrolled, 0.0f) << "the body never followed the focus down";
}

// In the Steam Deck's gaming mode the launcher fills the 1280 × 800 screen at scale 1: every page
// fits there whole, in both languages, with the pad's hints in the footer.
TEST_F(LayoutFit, TheDeckScreenInGamingModeShowsEveryPageWhole) {
  testing::EnvGuard env;
  env.set("XDG_CURRENT_DESKTOP", "gamescope");
  env.set("SteamDeck", "1");
  ASSERT_TRUE(gamingModeSession());
  const WindowPlan plan = planWindow(1120, 760, 0.0f, 1.0f, true, 1280, 800);
  ASSERT_EQ(plan.scale, 1.0f);
  lastInput = InputKind::gamepad;
  for (const Screen& screen : kScreens) {
    for (bool french : {false, true}) {
      SCOPED_TRACE(std::string(screen.name) + (french ? " fr" : " en"));
      // A fresh window each time: the focus starts on the page, as after a change of page.
      gui.reset();
      gui = std::make_unique<HeadlessGui>(plan.scale, ImVec2(1280.0f, 800.0f));
      show(screen, french);
      EXPECT_EQ(misfits(1.0f, ImVec2(1280.0f, 800.0f)), "");
      EXPECT_EQ(footerOverlaps(), "");
      EXPECT_FALSE(cardBodyRecord().scrolls)
          << "the page is taller than the Deck's card: " << cardBodyRecord().contentHeight << " in "
          << cardBodyRecord().clipMax.y - cardBodyRecord().clipMin.y;
      if (cardBodyRecord().scrolls) expectThePadReachesEveryControl();
      bool hints = false;
      for (const LayoutRect& rect : layoutRecord())
        hints = hints || rect.what == (french ? "Retour" : "Back");
      EXPECT_TRUE(hints);
    }
  }
  EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
}

TEST_F(LayoutFit, TheWheelAndPageKeysScrollASettingsBodyThatDoesNotFit) {
  gui = std::make_unique<HeadlessGui>(1.0f, ImVec2(980.0f, 700.0f));
  show(kScreens[6], true);
  ASSERT_TRUE(cardBodyRecord().scrolls) << "French Settings at 980 × 700 is taller than its card";
  const CardBodyRecord card = cardBodyRecord();
  auto bodyScroll = [&] {
    for (ImGuiWindow* w : GImGui->Windows)
      if (w->Active && std::string(w->Name).find("##card-body") != std::string::npos)
        return w->Scroll.y;
    return -1.0f;
  };
  EXPECT_EQ(bodyScroll(), 0.0f);
  gui->moveMouse(
      ImVec2((card.clipMin.x + card.clipMax.x) / 2, (card.clipMin.y + card.clipMax.y) / 2));
  draw();
  ImGui::GetIO().AddMouseWheelEvent(0.0f, -1.0f);
  draw();
  draw();
  const float wheeled = bodyScroll();
  EXPECT_GT(wheeled, 0.0f) << "the wheel scrolls the body";

  gui->pressKey(ImGuiKey_Home, [&] { drawMainWindow(*app); });
  draw();
  EXPECT_EQ(bodyScroll(), 0.0f) << "Home goes back to the top";
  gui->pressKey(ImGuiKey_PageDown, [&] { drawMainWindow(*app); });
  draw();
  EXPECT_GT(bodyScroll(), 0.0f) << "Page Down scrolls";
  EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
}

TEST_F(LayoutFit, WideWindowsCentreTheColumn) {
  gui = std::make_unique<HeadlessGui>(1.0f, ImVec2(1900.0f, 1040.0f));
  show(kScreens[6], false);
  const CardBodyRecord& card = cardBodyRecord();
  EXPECT_FLOAT_EQ(card.cardMin.x, 430.0f);
  EXPECT_FLOAT_EQ(card.cardMax.x, 1470.0f);
  float tabsRight = 0.0f, creditLeft = 1e9f, footerLeft = 1e9f;
  for (const LayoutRect& rect : layoutRecord()) {
    if (rect.part == LayoutPart::header) {
      tabsRight = std::max(tabsRight, rect.max.x);
      creditLeft = std::min(creditLeft, rect.min.x);
    }
    if (rect.part == LayoutPart::footer) footerLeft = std::min(footerLeft, rect.min.x);
  }
  EXPECT_NEAR(tabsRight, 1470.0f, 8.5f) << "the tabs end over the card's right edge";
  EXPECT_NEAR(creditLeft, 430.0f, 0.5f) << "the credit starts over the card's left edge";
  EXPECT_NEAR(footerLeft, 428.0f, 0.5f);
}

}  // namespace
}  // namespace scf
