#include "harness/press_walker.h"

#include <utility>

namespace scf {

std::string shownLabel(const std::string& label) {
  const size_t hidden = label.find("##");
  return hidden == std::string::npos ? label : label.substr(0, hidden);
}

namespace {

std::string quoted(const std::string& label) {
  return label.empty() ? std::string("an unnamed widget") : "\"" + label + "\"";
}

std::string placeText(const std::string& place) {
  return place.empty() ? std::string("nowhere known") : place;
}

}  // namespace

PressWalker::PressWalker(std::vector<WalkGoal> goals, Names names)
    : goals_(std::move(goals)), names_(std::move(names)) {}

std::string PressWalker::name(NavButton button) const {
  return names_ ? names_(button) : std::string("button");
}

WalkStep PressWalker::fail(std::string reason) {
  failed_ = true;
  WalkStep step;
  step.failure = std::move(reason);
  step.finished = true;
  return step;
}

WalkStep PressWalker::next(const NavView& view) {
  if (finished()) {
    WalkStep done;
    done.finished = true;
    return done;
  }
  if (pressing_) return watchPress(goals_[index_], view);
  // A page that has just come may still move its focus (it lands on the main action a frame
  // later): the next press waits until the focus has stayed put for a few frames.
  if (view.frame != settle_.frame) {
    const bool same = view.focusedId == settle_.focusedId && view.focused == settle_.focused;
    stableFrames_ = same ? stableFrames_ + 1 : 0;
    ++waitedFrames_;
    settle_ = view;
  }
  if (stableFrames_ < kSettleFrames && waitedFrames_ <= kEffectFrames) return {};
  // Goals already met need no press: a widget that has the focus already.
  while (index_ < goals_.size() && goals_[index_].kind == WalkGoal::Kind::focus &&
         view.focused == goals_[index_].label) {
    ++index_;
    moves_ = 0;
  }
  if (index_ >= goals_.size()) {
    WalkStep done;
    done.finished = true;
    return done;
  }
  const WalkGoal& goal = goals_[index_];
  if (goal.kind == WalkGoal::Kind::focus && moves_ >= goal.bound) {
    return fail(quoted(goal.label) + " never got the focus: after " + std::to_string(moves_) +
                " presses of " + name(goal.button) + " it is on " + quoted(view.focused));
  }
  if (goal.kind == WalkGoal::Kind::activate && view.focused != goal.label) {
    return fail(quoted(goal.label) + " does not have the focus for " + name(goal.button) + ": " +
                quoted(view.focused) + " has it");
  }
  return startPress(goal, view);
}

WalkStep PressWalker::startPress(const WalkGoal& goal, const NavView& view) {
  if (goal.kind == WalkGoal::Kind::focus) ++moves_;
  stableFrames_ = 0;
  waitedFrames_ = 0;
  pressing_ = true;
  upSent_ = false;
  downFrame_ = view.frame;
  before_ = view;
  effect_.clear();
  activated_ = false;
  activatedLabel_.clear();
  WalkStep step;
  step.act = WalkStep::Act::down;
  step.button = goal.button;
  return step;
}

WalkStep PressWalker::watchPress(const WalkGoal& goal, const NavView& view) {
  const bool newFrame = view.frame > downFrame_;
  const uint64_t frames = newFrame ? view.frame - downFrame_ : 0;
  // The focus and the activation are read from frames drawn after the down; the place is the
  // launcher's own state, which may change while no frame is drawn (the game hides the window).
  if (effect_.empty()) {
    switch (goal.kind) {
      case WalkGoal::Kind::focus:
      case WalkGoal::Kind::move:
        if (newFrame && view.focusedId != 0 && view.focusedId != before_.focusedId) {
          effect_ = "focus on " + quoted(view.focused);
        } else if (goal.kind == WalkGoal::Kind::move && newFrame && view.focusedId != 0 &&
                   view.ringShown && !before_.ringShown) {
          // The first Tab only shows where the focus is.
          effect_ = "focus ring on " + quoted(view.focused);
        }
        break;
      case WalkGoal::Kind::activate:
        if (newFrame && !view.activated.empty() && view.activated == goal.label) activated_ = true;
        if (activated_ && (goal.place.empty() || view.place == goal.place))
          effect_ = "activated " + quoted(goal.label);
        break;
      case WalkGoal::Kind::press:
        // A button that acts for a control (the pad's Start plays) names it.
        if (newFrame && !view.activated.empty()) activatedLabel_ = view.activated;
        if (view.place == goal.place) {
          effect_ = activatedLabel_.empty()
                        ? placeText(goal.place)
                        : "activated " + quoted(activatedLabel_) + ", " + placeText(goal.place);
        }
        break;
    }
  }
  WalkStep step;
  step.button = goal.button;
  if (!upSent_ && (!effect_.empty() || frames >= static_cast<uint64_t>(kHoldFrames))) {
    upSent_ = true;
    step.act = WalkStep::Act::up;
    return step;
  }
  if (upSent_ && !effect_.empty()) {
    pressing_ = false;
    step.line = "press " + name(goal.button) + ": " + effect_;
    if (goal.kind != WalkGoal::Kind::focus) {
      ++index_;
      moves_ = 0;
    }
    step.finished = index_ >= goals_.size();
    return step;
  }
  if (frames > static_cast<uint64_t>(kEffectFrames)) {
    std::string why;
    switch (goal.kind) {
      case WalkGoal::Kind::focus:
        why = "the focus stayed on " + quoted(view.focused) + " (looking for " +
              quoted(goal.label) + ")";
        break;
      case WalkGoal::Kind::move:
        why = "the focus stayed on " + quoted(view.focused);
        break;
      case WalkGoal::Kind::activate:
        why = activated_ ? "activated " + quoted(goal.label) + ", but " + goal.place +
                               " did not come (" + placeText(view.place) + ")"
                         : "nothing was activated (focus on " + quoted(view.focused) + ")";
        break;
      case WalkGoal::Kind::press:
        why = goal.place + " did not come (" + placeText(view.place) + ")";
        break;
    }
    return fail("press " + name(goal.button) + " had no effect: " + why);
  }
  return step;
}

}  // namespace scf
