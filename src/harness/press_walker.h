// The driven self-test's walk: presses of pad buttons or keys, each spread over frames and each
// expected to do something (move the focus, activate the focused widget, bring a screen). Pure
// logic: it reads what the interface showed and says what to do with the button.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace scf {

// The buttons the walk presses, whatever device they are on.
enum class NavButton {
  up,
  down,
  left,
  right,
  next,
  previous,
  activate,
  back,
  tabNext,
  tabPrev,
  start
};

// The label a widget shows: its GUI label up to "##".
std::string shownLabel(const std::string& label);

// What the interface showed after its last frame.
struct NavView {
  uint64_t frame = 0;        // frames drawn so far
  uint64_t focusedId = 0;    // the focused widget, 0 when none
  std::string focused;       // its shown label, empty when unknown
  bool ringShown = false;    // the focus ring is drawn
  std::string activated;     // the widget the last frame activated, empty when none
  uint64_t activations = 0;  // activations so far
  std::string place;         // where the launcher is: a screen, a tab, a dialog, the game
};

struct WalkGoal {
  enum class Kind {
    focus,     // press the button until the widget labelled label has the focus
    activate,  // the widget labelled label has the focus: press the button to activate it
    press,     // press the button; place must come
    move,      // press the button once; the focus must move or its ring appear
  };
  Kind kind = Kind::press;
  NavButton button = NavButton::activate;
  std::string label;
  std::string place;  // the place expected after the press; empty: any
  int bound = 12;     // focus: the most presses
};

struct WalkGoals {
  static WalkGoal focus(NavButton button, std::string label, int bound = 12) {
    return {WalkGoal::Kind::focus, button, std::move(label), {}, bound};
  }
  static WalkGoal activate(NavButton button, std::string label, std::string place = {}) {
    return {WalkGoal::Kind::activate, button, std::move(label), std::move(place), 0};
  }
  static WalkGoal press(NavButton button, std::string place) {
    return {WalkGoal::Kind::press, button, {}, std::move(place), 0};
  }
  static WalkGoal move(NavButton button) { return {WalkGoal::Kind::move, button, {}, {}, 0}; }
};

// What to do after one look at the interface.
struct WalkStep {
  enum class Act { none, down, up } act = Act::none;
  NavButton button = NavButton::activate;
  std::string line;     // a press that did its effect: "press <button>: <effect>"
  std::string failure;  // the reason the walk failed; the walk is over
  bool finished = false;
};

// Runs its goals in order. A press is down on one call and up once its effect is seen or
// holdFrames frames later; its effect must come within effectFrames frames of the down.
class PressWalker {
 public:
  using Names = std::function<std::string(NavButton)>;
  static constexpr int kHoldFrames = 1;
  static constexpr int kEffectFrames = 60;
  // Frames the focus must keep still before a press (at most kEffectFrames are waited).
  static constexpr int kSettleFrames = 3;

  PressWalker(std::vector<WalkGoal> goals, Names names);
  // Called once per frame-loop turn with the latest view.
  WalkStep next(const NavView& view);
  bool finished() const { return index_ >= goals_.size() || failed_; }

 private:
  WalkStep startPress(const WalkGoal& goal, const NavView& view);
  WalkStep watchPress(const WalkGoal& goal, const NavView& view);
  WalkStep fail(std::string reason);
  std::string name(NavButton button) const;

  std::vector<WalkGoal> goals_;
  Names names_;
  size_t index_ = 0;
  bool failed_ = false;
  int moves_ = 0;  // focus presses of the current goal
  // The focus before the next press: the last frame seen and how long it has kept still.
  NavView settle_;
  int stableFrames_ = 0;
  int waitedFrames_ = 0;
  // The press under way.
  bool pressing_ = false;
  bool upSent_ = false;
  uint64_t downFrame_ = 0;
  NavView before_;
  std::string effect_;  // what the press did, once seen
  bool activated_ = false;
  std::string activatedLabel_;
};

}  // namespace scf
