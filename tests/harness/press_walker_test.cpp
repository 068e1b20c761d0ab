#include "harness/press_walker.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "harness/input_driver.h"

namespace scf {
namespace {

// A page of controls in focus order, answering presses a frame after they are sent, as the
// launcher's frame loop does.
struct Page {
  std::vector<std::string> order;
  size_t focus = 0;
  bool ring = true;
  std::string place = "Play tab";
  std::map<std::string, std::string> leadsTo;  // activating a control brings this place
  bool dead = false;                           // every press is lost
  uint64_t frame = 0;
  std::string activated;
  uint64_t activations = 0;
  bool pending = false;
  NavButton button = NavButton::activate;

  NavView view() const {
    NavView v;
    v.frame = frame;
    v.focusedId = focus + 1;
    v.focused = order.empty() ? std::string() : order[focus];
    v.ringShown = ring;
    v.activated = activated;
    v.activations = activations;
    v.place = place;
    return v;
  }

  void frameDrawn() {
    ++frame;
    activated.clear();
    if (!pending || dead) {
      pending = false;
      return;
    }
    pending = false;
    const bool wasHidden = !ring;
    ring = true;
    switch (button) {
      case NavButton::next:
      case NavButton::down:
        if (!wasHidden && focus + 1 < order.size()) ++focus;
        break;
      case NavButton::previous:
      case NavButton::up:
        if (focus > 0) --focus;
        break;
      case NavButton::activate:
        if (wasHidden) break;  // the first press only shows the ring
        activated = order[focus];
        ++activations;
        if (leadsTo.count(activated)) place = leadsTo[activated];
        break;
      case NavButton::start:
        activated = "Play";
        ++activations;
        place = "game running";
        break;
      case NavButton::tabNext:
        place = "Settings tab";
        break;
      default:
        break;
    }
  }
};

struct Outcome {
  std::vector<std::string> lines;
  std::string failure;
  int downs = 0;
  int ups = 0;
};

Outcome walk(Page page, std::vector<WalkGoal> goals) {
  PressWalker walker(std::move(goals),
                     [](NavButton b) { return InputDriver::buttonName(InputMode::gamepad, b); });
  Outcome out;
  for (int turn = 0; turn < 2000; ++turn) {
    const WalkStep step = walker.next(page.view());
    if (step.act == WalkStep::Act::down) {
      ++out.downs;
      page.pending = true;
      page.button = step.button;
    }
    if (step.act == WalkStep::Act::up) ++out.ups;
    if (!step.line.empty()) out.lines.push_back(step.line);
    if (step.finished) {
      out.failure = step.failure;
      return out;
    }
    page.frameDrawn();
  }
  out.failure = "the walk never ended";
  return out;
}

struct WalkCase {
  const char* name;
  Page page;
  std::vector<WalkGoal> goals;
  std::vector<std::string> lines;
  std::string failure;  // empty: the walk succeeds
};

void PrintTo(const WalkCase& c, std::ostream* os) {
  *os << c.name;
}

Page playPage() {
  Page page;
  page.order = {"Prepare the game", "Find disc images", "Portlog"};
  page.leadsTo = {{"Prepare the game", "preparing screen"}};
  return page;
}

Page withFocus(Page page, size_t focus, bool ring = true) {
  page.focus = focus;
  page.ring = ring;
  return page;
}

Page deadPage() {
  Page page = playPage();
  page.dead = true;
  return page;
}

const WalkCase kCases[] = {
    {"FocusedControlIsActivatedAtOnce",
     playPage(),
     {WalkGoals::focus(NavButton::next, "Prepare the game"),
      WalkGoals::activate(NavButton::activate, "Prepare the game", "preparing screen")},
     {"press A: activated \"Prepare the game\""},
     ""},
    {"FocusIsWalkedToTheControl",
     playPage(),
     {WalkGoals::focus(NavButton::next, "Portlog"),
      WalkGoals::activate(NavButton::activate, "Portlog")},
     {"press D-pad down: focus on \"Find disc images\"", "press D-pad down: focus on \"Portlog\"",
      "press A: activated \"Portlog\""},
     ""},
    {"HiddenRingShownByTheFirstMove",
     withFocus(playPage(), 0, false),
     {WalkGoals::move(NavButton::next), WalkGoals::focus(NavButton::previous, "Prepare the game")},
     {"press D-pad down: focus ring on \"Prepare the game\""},
     ""},
    {"PressThatMovesNothingFails",
     withFocus(playPage(), 2),
     {WalkGoals::focus(NavButton::next, "Prepare the game")},
     {},
     "press D-pad down had no effect: the focus stayed on \"Portlog\" (looking for \"Prepare the "
     "game\")"},
    {"LostActivationFails",
     deadPage(),
     {WalkGoals::activate(NavButton::activate, "Prepare the game")},
     {},
     "press A had no effect: nothing was activated (focus on \"Prepare the game\")"},
    {"ScreenThatDoesNotComeFails",
     playPage(),
     {WalkGoals::activate(NavButton::activate, "Prepare the game", "stopped screen")},
     {},
     "press A had no effect: activated \"Prepare the game\", but stopped screen did not come "
     "(preparing screen)"},
    {"ActivationWithoutFocusFails",
     playPage(),
     {WalkGoals::activate(NavButton::activate, "Portlog")},
     {},
     "\"Portlog\" does not have the focus for A: \"Prepare the game\" has it"},
    {"BoundedSearch",
     playPage(),
     {WalkGoals::focus(NavButton::next, "Portlog", 1)},
     {"press D-pad down: focus on \"Find disc images\""},
     "\"Portlog\" never got the focus: after 1 presses of D-pad down it is on \"Find disc "
     "images\""},
    {"ButtonThatActsForAControlNamesIt",
     playPage(),
     {WalkGoals::press(NavButton::start, "game running")},
     {"press Start: activated \"Play\", game running"},
     ""},
    {"PressThatBringsItsPlace",
     playPage(),
     {WalkGoals::press(NavButton::tabNext, "Settings tab")},
     {"press RB: Settings tab"},
     ""},
};

class PressWalkerTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(PressWalkerTest, Walks) {
  const WalkCase& c = GetParam();
  const Outcome out = walk(c.page, c.goals);
  EXPECT_EQ(out.lines, c.lines);
  EXPECT_EQ(out.failure, c.failure);
  // Every press sent is released again, whatever came of it.
  EXPECT_EQ(out.downs, out.ups);
}

INSTANTIATE_TEST_SUITE_P(Cases, PressWalkerTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Calls the walker on new frames of an unchanged view until it presses.
WalkStep untilPress(PressWalker& walker, NavView& view) {
  for (int i = 0; i < 100; ++i) {
    const WalkStep step = walker.next(view);
    if (step.act != WalkStep::Act::none || step.finished) return step;
    ++view.frame;
  }
  return {};
}

// A focus that has only just landed may move again: the press waits until it keeps still.
TEST(PressWalkerFrames, WaitsForTheFocusToSettle) {
  PressWalker walker({WalkGoals::focus(NavButton::next, "Play")}, {});
  NavView view;
  view.focusedId = 1;
  view.focused = "Portlog";
  int waited = 0;
  for (; waited < 100; ++waited) {
    // The focus moves on every other frame for a while, then stays.
    if (waited < 10 && waited % 2 == 0) ++view.focusedId;
    if (walker.next(view).act == WalkStep::Act::down) break;
    ++view.frame;
  }
  // The last move came on frame 8.
  EXPECT_EQ(waited, 8 + PressWalker::kSettleFrames);
}

// A frame drawn before the press was sent says nothing about it: an activation in a view whose
// frame has not moved on is not the press's.
TEST(PressWalkerFrames, StaleViewIsNotAnEffect) {
  PressWalker walker({WalkGoals::activate(NavButton::activate, "Play")}, {});
  NavView view;
  view.frame = 5;
  view.focusedId = 1;
  view.focused = "Play";
  EXPECT_EQ(untilPress(walker, view).act, WalkStep::Act::down);
  view.activated = "Play";
  for (int i = 0; i < 10; ++i) {
    const WalkStep step = walker.next(view);
    EXPECT_EQ(step.act, WalkStep::Act::none);
    EXPECT_TRUE(step.line.empty());
    EXPECT_FALSE(step.finished);
  }
  ++view.frame;
  EXPECT_EQ(walker.next(view).act, WalkStep::Act::up);
  const WalkStep done = walker.next(view);
  EXPECT_EQ(done.line, "press button: activated \"Play\"");
  EXPECT_TRUE(done.finished);
}

// The button is held for a few frames at most, so a held D-pad never repeats its move.
TEST(PressWalkerFrames, ReleasedAfterTheHoldEvenWithoutEffect) {
  PressWalker walker({WalkGoals::move(NavButton::next)}, {});
  NavView view;
  view.focusedId = 1;
  EXPECT_EQ(untilPress(walker, view).act, WalkStep::Act::down);
  for (int i = 1; i < PressWalker::kHoldFrames; ++i) {
    ++view.frame;
    EXPECT_EQ(walker.next(view).act, WalkStep::Act::none) << i;
  }
  ++view.frame;
  EXPECT_EQ(walker.next(view).act, WalkStep::Act::up);
}

TEST(ShownLabel, StopsAtTheHiddenPart) {
  EXPECT_EQ(shownLabel("Play##play"), "Play");
  EXPECT_EQ(shownLabel("Stop"), "Stop");
  EXPECT_EQ(shownLabel("##disc"), "");
}

TEST(ButtonNames, EachDeviceNamesItsOwn) {
  EXPECT_EQ(InputDriver::buttonName(InputMode::gamepad, NavButton::activate), "A");
  EXPECT_EQ(InputDriver::buttonName(InputMode::gamepad, NavButton::tabPrev), "LB");
  EXPECT_EQ(InputDriver::buttonName(InputMode::keyboard, NavButton::activate), "Enter");
  EXPECT_EQ(InputDriver::buttonName(InputMode::keyboard, NavButton::tabNext), "Ctrl+Tab");
  EXPECT_EQ(InputDriver::buttonName(InputMode::keyboard, NavButton::previous), "Shift+Tab");
}

}  // namespace
}  // namespace scf
