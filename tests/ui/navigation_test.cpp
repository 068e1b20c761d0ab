// Keyboard and pad through the whole window: the focus lands on each page's main action, Escape
// and the pad's B close every dialog, the tabs switch by LB / RB and Ctrl+Tab, Start plays only
// when the game is ready, the footer names the pad's buttons after a pad input, and the focused
// control wears the focus ring.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <memory>
#include <string>

#include "app/app.h"
#include "app/file_facts.h"
#include "drawn_text.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "platform/disc_places.h"
#include "platform/shell.h"
#include "prepare/disc_list.h"
#include "release/tr.h"
#include "screen_layout.h"
#include "support/test_support.h"
#include "ui/layout_record.h"
#include "ui/main_window.h"
#include "ui/widget_trace.h"
#include "ui/widgets/focus_ring.h"

namespace scf {
namespace {

void buildGame(App& app) {
  testing::writeFile(app.layout.gameExe, "game");
  testing::writeFile(app.layout.bootFile, "boot");
}

using Arrange = std::function<void(App&)>;

const Arrange kWelcome = [](App& a) { a.screen = kScreenWelcome; };
const Arrange kNotBuilt = [](App& a) { a.screen = kScreenMain; };
const Arrange kReady = [](App& a) {
  a.screen = kScreenMain;
  buildGame(a);
};
const Arrange kPreparing = [](App& a) {
  a.screen = kScreenPreparing;
  a.build.building = true;
  a.progress.reset(1000.0);
};
const Arrange kStopped = [](App& a) {
  a.screen = kScreenStopped;
  a.progress.reset(0.0);
  a.progress.failedStage = "compile";
  a.progress.failureText = "cc1plus: out of memory";
};

class Navigation : public ::testing::Test {
 protected:
  void SetUp() override {
    uiFrench = false;
    freshWindow();
    layOutScreenApp(app, dir);
    std::filesystem::remove_all(app.layout.gameDir);
    app.identity.displayVersion = "0.8.0";
    app.identity.changelogText = "- one\n";
    app.lastInput = InputKind::keyboard;
  }
  void TearDown() override {
    app.discList.hide();
    app.build.building = false;
    uiFrench = false;
  }

  // A new GUI, as a window just opened: the focus lands on the page drawn first.
  void freshWindow() {
    gui.reset();
    gui = std::make_unique<HeadlessGui>();
    gui->sharpEdges();
    ImGui::GetIO().BackendFlags |= ImGuiBackendFlags_HasGamepad;
  }
  void arrange(const Arrange& how) {
    how(app);
    lookAtFilesNow(app);
  }
  void draw(int frames = 1) {
    for (int i = 0; i < frames; ++i)
      gui->bareFrame([&] { drawMainWindow(app); });
  }
  // A key or pad button pressed in one frame and let go in the next, then one frame to settle.
  void press(ImGuiKey key, ImGuiKey modifier = ImGuiKey_None, ImGuiKey modifier2 = ImGuiKey_None) {
    ImGuiIO& io = ImGui::GetIO();
    if (modifier != ImGuiKey_None) io.AddKeyEvent(modifier, true);
    if (modifier2 != ImGuiKey_None) io.AddKeyEvent(modifier2, true);
    io.AddKeyEvent(key, true);
    draw();
    io.AddKeyEvent(key, false);
    if (modifier != ImGuiKey_None) io.AddKeyEvent(modifier, false);
    if (modifier2 != ImGuiKey_None) io.AddKeyEvent(modifier2, false);
    draw(2);
  }
  bool popupOpen(const char* name) {
    for (const ImGuiPopupData& popup : GImGui->OpenPopupStack) {
      if (popup.Window != nullptr && popup.Window->Name == std::string(name)) return true;
    }
    return false;
  }

  testing::TempFolder dir;
  testing::EnvGuard env;
  App app;
  std::unique_ptr<HeadlessGui> gui;
};

struct Landing {
  const char* page;
  Arrange arrange;
  const char* mainAction;
};

const Landing kLandings[] = {
    {"welcome", kWelcome, "Select your disc image…"},
    {"play, not built", kNotBuilt, "Prepare the game"},
    {"preparing", kPreparing, "Stop"},
    {"stopped", kStopped, "Try again"},
    {"ready", kReady, "Play"},
};

// Whatever page came before, the new one's main action has the focus, and Tab moves it on at
// once, without a click.
TEST_F(Navigation, FocusLandsOnTheMainActionOfEveryPage) {
  for (const Landing& before : kLandings) {
    for (const Landing& after : kLandings) {
      if (std::string(before.page) == after.page) continue;
      SCOPED_TRACE(std::string(before.page) + " -> " + after.page);
      SetUp();
      arrange(before.arrange);
      draw(3);
      EXPECT_EQ(focusedWidget(), before.mainAction);
      app.build.building = false;
      std::filesystem::remove_all(app.layout.gameDir);
      arrange(after.arrange);
      draw(2);
      EXPECT_EQ(focusedWidget(), after.mainAction);
      press(ImGuiKey_Tab);
      EXPECT_NE(focusedWidget(), after.mainAction) << "Tab did not move the focus";
      EXPECT_FALSE(focusedWidget().empty());
      TearDown();
    }
  }
}

// Before any key, the focus is there but not shown; the first Tab shows it at once.
TEST_F(Navigation, TheFirstTabShowsTheFocusWithoutAClick) {
  app.lastInput = InputKind::none;
  arrange(kWelcome);
  draw(3);
  EXPECT_EQ(focusedWidget(), "Select your disc image…");
  EXPECT_FALSE(GImGui->NavCursorVisible);
  press(ImGuiKey_Tab);
  EXPECT_FALSE(focusedWidget().empty());
  EXPECT_TRUE(GImGui->NavCursorVisible);
}

// The Settings and Maintenance tabs have no single main action: their first control takes it.
TEST_F(Navigation, FocusLandsInsideTheOtherTabs) {
  for (int tab : {kTabSettings, kTabMaintenance}) {
    SCOPED_TRACE(tab);
    arrange(kReady);
    app.currentTab = kTabPlay;
    draw(3);
    app.currentTab = tab;
    draw(2);
    const std::string focused = focusedWidget();
    EXPECT_FALSE(focused.empty());
    // Not the header's tabs: the card's own first control.
    for (const char* header : {"Play", "Settings", "Maintenance"})
      EXPECT_NE(focused, header);
  }
}

// Back from the game: the focus is on Play again.
TEST_F(Navigation, FocusComesBackToPlayAfterTheGame) {
  arrange(kReady);
  draw(3);
  press(ImGuiKey_Tab);
  EXPECT_NE(focusedWidget(), "Play");
  app.game.gameRunning = true;
  draw(2);
  app.game.gameRunning = false;
  draw(2);
  EXPECT_EQ(focusedWidget(), "Play");
}

struct Dialog {
  const char* name;
  const char* popup;
  std::function<void(App&)> open;
};

// Escape and B close each dialog (the quit dialog as "Keep going"), and the focus is back where
// it was.
TEST_F(Navigation, EscapeAndBCloseEveryDialog) {
  const Dialog dialogs[] = {
      {"quit", "##quit", [](App& a) { a.quitAsked = true; }},
      {"what's new", "##whatsnew", [](App& a) { a.showWhatsNew = true; }},
      {"disc list", "##disc-list",
       [this](App& a) {
         env.set(kDiscPlacesVariable, dir / "places");
         a.discList.show();
       }},
#ifndef _WIN32
      {"shell failure", "##shell-failure",
       [this](App&) {
         testing::EnvGuard env{{"PATH"}};
         testing::writeFile(dir / "bin/xdg-open", "#!/bin/sh\nexit 2\n");
         ::chmod((dir / "bin/xdg-open").c_str(), 0755);
         env.set("PATH", dir / "bin");
         openInShell(dir / "absent.txt");
         ASSERT_TRUE(shellOpensSettled(30000));
       }},
#endif
  };
  for (const Dialog& dialog : dialogs) {
    for (ImGuiKey back : {ImGuiKey_Escape, ImGuiKey_GamepadFaceRight}) {
      SCOPED_TRACE(std::string(dialog.name) + " " + ImGui::GetKeyName(back));
      freshWindow();
      arrange(kStopped);
      draw(3);
      ASSERT_EQ(focusedWidget(), "Try again");
      press(ImGuiKey_Tab);
      const std::string before = focusedWidget();
      ASSERT_NE(before, "Try again");
      dialog.open(app);
      draw(3);
      ASSERT_TRUE(popupOpen(dialog.popup));
      press(back);
      EXPECT_FALSE(popupOpen(dialog.popup));
      EXPECT_FALSE(app.quitConfirmed);
      EXPECT_EQ(app.currentTab, kTabPlay);
      EXPECT_EQ(focusedWidget(), before);
    }
  }
}

struct TabSwitch {
  ImGuiKey key;
  ImGuiKey modifier;
  ImGuiKey modifier2;
  int from;
  int to;
};

TEST_F(Navigation, ShouldersAndCtrlTabSwitchTabs) {
  const TabSwitch switches[] = {
      {ImGuiKey_GamepadR1, ImGuiKey_None, ImGuiKey_None, kTabPlay, kTabSettings},
      {ImGuiKey_GamepadR1, ImGuiKey_None, ImGuiKey_None, kTabSettings, kTabMaintenance},
      {ImGuiKey_GamepadR1, ImGuiKey_None, ImGuiKey_None, kTabMaintenance, kTabPlay},
      {ImGuiKey_GamepadL1, ImGuiKey_None, ImGuiKey_None, kTabPlay, kTabMaintenance},
      {ImGuiKey_GamepadL1, ImGuiKey_None, ImGuiKey_None, kTabSettings, kTabPlay},
      {ImGuiKey_Tab, ImGuiMod_Ctrl, ImGuiKey_None, kTabPlay, kTabSettings},
      {ImGuiKey_Tab, ImGuiMod_Ctrl, ImGuiKey_None, kTabMaintenance, kTabPlay},
      {ImGuiKey_Tab, ImGuiMod_Ctrl, ImGuiMod_Shift, kTabPlay, kTabMaintenance},
      {ImGuiKey_Tab, ImGuiMod_Ctrl, ImGuiMod_Shift, kTabSettings, kTabPlay},
  };
  arrange(kReady);
  for (const TabSwitch& s : switches) {
    SCOPED_TRACE(std::to_string(s.from) + " " + ImGui::GetKeyName(s.key));
    app.currentTab = s.from;
    draw(2);
    press(s.key, s.modifier, s.modifier2);
    EXPECT_EQ(app.currentTab, s.to);
  }
  // Escape and B go back to Play.
  for (ImGuiKey back : {ImGuiKey_Escape, ImGuiKey_GamepadFaceRight}) {
    app.currentTab = kTabMaintenance;
    draw(2);
    press(back);
    EXPECT_EQ(app.currentTab, kTabPlay);
  }
  // The welcome page has no tabs.
  arrange(kWelcome);
  draw(2);
  press(ImGuiKey_GamepadR1);
  EXPECT_EQ(app.currentTab, kTabPlay);
}

// Start plays once the game is ready, and only then.
TEST_F(Navigation, StartPlaysOnlyWhenReady) {
  struct Case {
    const char* page;
    Arrange arrange;
    bool plays;
  };
  const Case cases[] = {
      {"welcome", kWelcome, false},     {"not built", kNotBuilt, false},
      {"preparing", kPreparing, false}, {"stopped", kStopped, false},
      {"ready", kReady, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.page);
    arrange(c.arrange);
    draw(3);
    const std::uint64_t before = activationCount();
    press(ImGuiKey_GamepadStart);
    EXPECT_EQ(activationCount() - before, c.plays ? 1u : 0u);
    if (c.plays) {
      EXPECT_EQ(lastActivatedWidget(), "Play");
      EXPECT_TRUE(app.game.gameRunning || !app.game.startError.empty());
    }
    app.build.building = false;
    app.game.gameRunning = false;
    if (app.game.gameRunning) app.game.process.kill();
    app.game.startError.clear();
    std::filesystem::remove_all(app.layout.gameDir);
  }
}

// B closes the resolution list and nothing more: the Settings tab stays.
TEST_F(Navigation, BClosesTheResolutionListOnly) {
  arrange(kReady);
  app.currentTab = kTabSettings;
  draw(3);
  for (int step = 0; step < 6 && focusedWidget() != "Resolution"; ++step)
    press(ImGuiKey_GamepadDpadDown);
  ASSERT_EQ(focusedWidget(), "Resolution");
  press(ImGuiKey_GamepadFaceDown);
  ASSERT_TRUE(ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId)) << "A opens the list";
  press(ImGuiKey_GamepadFaceRight);
  EXPECT_FALSE(ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId));
  EXPECT_EQ(app.currentTab, kTabSettings);
  press(ImGuiKey_GamepadFaceRight);
  EXPECT_EQ(app.currentTab, kTabPlay) << "a second B goes back to Play";
}

// The pad's A activates the focused control, and the trace says which.
TEST_F(Navigation, PadAActivatesTheFocusedControl) {
  arrange(kNotBuilt);
  app.currentTab = kTabSettings;
  draw(3);
  const std::string focused = focusedWidget();
  ASSERT_FALSE(focused.empty());
  const std::uint64_t before = activationCount();
  press(ImGuiKey_GamepadFaceDown);
  EXPECT_EQ(activationCount(), before + 1);
  EXPECT_EQ(lastActivatedWidget(), focused);
}

// A control whose label says its state (a switch, the language pill, a tab in the other
// language) keeps the focus when pressing it changes that label: a pad player goes on from there.
TEST_F(Navigation, AControlKeepsTheFocusWhenPressingItChangesItsLabel) {
  struct Case {
    Arrange page;
    const char* before;
    const char* after;
  };
  const Arrange settings = [](App& a) {
    kNotBuilt(a);
    a.currentTab = kTabSettings;
  };
  const Case cases[] = {
      {settings, "Background motion: on", "Background motion: off"},
      {settings, "Check for updates at start: on", "Check for updates at start: off"},
      {kWelcome, "Français", "English"},  // the header's language pill
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before);
    uiFrench = false;
    app.settings.motion = true;
    app.settings.updateCheck = true;
    arrange(c.page);
    draw(3);
    for (int step = 0; step < 40 && focusedWidget() != c.before; ++step)
      press(ImGuiKey_Tab);
    ASSERT_EQ(focusedWidget(), c.before);
    press(ImGuiKey_GamepadFaceDown);
    EXPECT_EQ(lastActivatedWidget(), c.before);
    EXPECT_EQ(focusedWidget(), c.after);
    press(ImGuiKey_GamepadFaceDown);
    EXPECT_EQ(focusedWidget(), c.before) << "and back";
  }
}

std::string footerText() {
  ImGuiWindow* window = ImGui::FindWindowByName("##root");
  std::string text;
  for (const DrawnRun& run : drawnRuns(window->DrawList))
    text += run.text + "\n";
  return text;
}

TEST_F(Navigation, PadHintsShowAfterAPadInputOnly) {
  struct Case {
    InputKind input;
    bool french;
    bool shown;
  };
  const Case cases[] = {
      {InputKind::gamepad, false, true}, {InputKind::gamepad, true, true},
      {InputKind::mouse, false, false},  {InputKind::keyboard, false, false},
      {InputKind::none, true, false},
  };
  arrange(kReady);
  for (const Case& c : cases) {
    uiFrench = c.french;
    app.lastInput = c.input;
    draw(2);
    const std::string text = footerText();
    const char* select = c.french ? "Choisir" : "Select";
    const char* back = c.french ? "Retour" : "Back";
    EXPECT_EQ(text.find(std::string(select) + "\n") != std::string::npos, c.shown) << text;
    EXPECT_EQ(text.find(std::string(back) + "\n") != std::string::npos, c.shown) << text;
    EXPECT_EQ(text.find("A\n") != std::string::npos, c.shown);
  }
}

// The focused control is ringed in the accent colour, just outside its edges; without the
// keyboard or a pad in use the ring is not drawn.
TEST_F(Navigation, FocusedControlWearsTheRing) {
  for (InputKind input : {InputKind::keyboard, InputKind::gamepad, InputKind::mouse}) {
    arrange(kReady);
    app.lastInput = input;
    app.currentTab = kTabSettings;
    draw(2);
    app.currentTab = kTabPlay;
    draw(1);
    startLayoutRecord();
    draw(1);
    stopLayoutRecord();
    ASSERT_EQ(focusedWidget(), "Play");
    ImRect play;
    for (const LayoutRect& rect : layoutRecord()) {
      if (rect.what == "Play##play") play = ImRect(rect.min, rect.max);
    }
    ASSERT_GT(play.GetWidth(), 0.0f);
    ImGuiWindow* body = nullptr;
    for (ImGuiWindow* window : GImGui->Windows) {
      if (window->Active && std::string(window->Name).find("card-body") != std::string::npos)
        body = window;
    }
    ASSERT_NE(body, nullptr);
    const std::vector<ImDrawVert> vertices(body->DrawList->VtxBuffer.begin(),
                                           body->DrawList->VtxBuffer.end());
    // The ring's vertices stand in a band 2 to 5 points outside the button, on all four sides.
    ImRect outer = play;
    outer.Expand(5.5f);
    ImRect inner = play;
    inner.Expand(1.5f);
    ImRect ring(FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX);
    int inBand = 0;
    for (const ImDrawVert& v : vertices) {
      if (v.col != focusRingColour() || !outer.Contains(v.pos) || inner.Contains(v.pos)) continue;
      ++inBand;
      ring.Add(v.pos);
    }
    if (input == InputKind::mouse) {
      EXPECT_EQ(inBand, 0);
    } else {
      EXPECT_GT(inBand, 8);
      EXPECT_NEAR(ring.GetWidth(), play.GetWidth() + 8.0f, 2.5f);
      EXPECT_NEAR(ring.GetHeight(), play.GetHeight() + 8.0f, 2.5f);
    }
  }
}

}  // namespace
}  // namespace scf
