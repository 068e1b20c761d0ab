// The full scenario driven by presses only (--gamepad, --keyboard): every control on the road is
// reached by moving the focus and activated by its button or key, and every press must show its
// effect, else the run fails with the reason.
#include <cstdlib>
#include <string>
#include <utility>

#include "app/app.h"
#include "app/window.h"
#include "game/game_contract.h"
#include "harness/nav_probe.h"
#include "harness/selftest.h"
#include "platform/disc_places.h"
#include "platform/env.h"
#include "platform/utf8_path.h"
#include "prepare/disc_finder.h"
#include "prepare/disc_list.h"
#include "release/tr.h"

namespace scf {

namespace {

// Frames the driven run waits for SDL to list the virtual pad as a gamepad.
constexpr int kConnectFrames = 300;
// How long the disc list may search (its own bound is a few seconds), and the most presses
// that walk its rows.
constexpr int kListSeconds = 30;
constexpr int kListPresses = 24;

Selftest::Step instantStep(const std::string& name, std::function<void(App&)> change) {
  return {name, [change = std::move(change)](App& app, double) {
            change(app);
            return true;
          }};
}

}  // namespace

std::string Selftest::placeOf(const App& app) {
  if (app.game.gameRunning) return "game running";
  if (app.discList.open) return "disc list";
  if (app.screen == kScreenMissingFiles) return "missing files screen";
  if (app.screen == kScreenWelcome) return "welcome screen";
  if (app.currentTab == kTabSettings) return "Settings tab";
  if (app.currentTab == kTabMaintenance) return "Maintenance tab";
  if (app.screen == kScreenPreparing) return "preparing screen";
  if (app.screen == kScreenStopped) return "stopped screen";
  return "Play tab";
}

void Selftest::watchNav(const App& app) {
  const uint64_t frame = framesPresented();
  if (frame != navFrame_) {
    navFrame_ = frame;
    nav = readNav(frame, nav);
  }
  nav.place = placeOf(app);
}

bool Selftest::runWalk(App& app, PressWalker& walk) {
  const WalkStep step = walk.next(nav);
  if (step.act == WalkStep::Act::down) {
    ++presses;
    // The test seam: this press is lost on its way, as a dead button would lose it.
    const std::string which = driver ? driver->name(step.button) : std::string();
    swallowing_ = !swallowed_ && !swallowPress.empty() &&
                  (swallowPress == std::to_string(presses) || swallowPress == which);
    swallowed_ |= swallowing_;
    if (!swallowing_ && driver) driver->set(step.button, true);
  } else if (step.act == WalkStep::Act::up) {
    if (!swallowing_ && driver) driver->set(step.button, false);
  }
  if (!step.line.empty()) logLine("%s", step.line);
  if (!step.failure.empty()) {
    failAndQuit(app, "FAIL " + step.failure);
    return true;
  }
  return step.finished;
}

Selftest::Step Selftest::pressStep(const std::string& name, std::vector<WalkGoal> goals,
                                   std::function<void(App&)> before,
                                   std::function<void(App&)> after) {
  return pressStep(
      name, [goals = std::move(goals)] { return goals; }, std::move(before), std::move(after));
}

Selftest::Step Selftest::pressStep(const std::string& name, GoalsFn goals,
                                   std::function<void(App&)> before,
                                   std::function<void(App&)> after) {
  auto names = [this](NavButton button) {
    return driver ? driver->name(button) : InputDriver::buttonName(input, button);
  };
  std::shared_ptr<PressWalker> walk;
  return {name, [this, walk, names, goals = std::move(goals), before = std::move(before),
                 after = std::move(after)](App& app, double t) mutable {
            // The goals are made when the step starts, in the language shown then.
            if (t == 0 || !walk) {
              if (before) before(app);
              walk = std::make_shared<PressWalker>(goals(), names);
            }
            if (!runWalk(app, *walk)) return false;
            if (!failed && after) after(app);
            return true;
          }};
}

// The pad moves across a row of buttons with the D-pad; the keyboard goes through the page
// with Tab.
NavButton Selftest::across() const {
  return input == InputMode::gamepad ? NavButton::right : NavButton::next;
}

NavButton Selftest::acrossBack() const {
  return input == InputMode::gamepad ? NavButton::left : NavButton::previous;
}

void Selftest::pickFromList(const std::string& image, bool logVerdict, const std::string& after) {
  const std::string name = utf8String(utf8Path(image).filename());
  steps.push_back(pressStep("open the disc list", [this] {
    const std::string find = shownLabel(findDiscImagesLabel());
    return std::vector<WalkGoal>{WalkGoals::focus(across(), find),
                                 WalkGoals::activate(NavButton::activate, find, "disc list")};
  }));
  steps.push_back({"wait for the disc list", [this, name](App& app, double t) {
                     const DiscList& list = app.discList;
                     if (list.searching) {
                       if (t > kListSeconds) {
                         failAndQuit(app, "FAIL the disc list was still searching after " +
                                              std::to_string(kListSeconds) + " s");
                         return true;
                       }
                       return false;
                     }
                     bool listed = false;
                     for (const FoundDisc& found : list.result.discs)
                       listed |= found.name == name;
                     logLine("disc list: %s images, %s", std::to_string(list.result.discs.size()),
                             listed ? name + " among them" : name + " missing");
                     if (!listed) failAndQuit(app, "FAIL " + name + " is not in the disc list");
                     return true;
                   }});
  // The pick closes the list and starts the check, which may be over before the next frame.
  steps.push_back(pressStep("pick " + name, {WalkGoals::focus(NavButton::next, name, kListPresses),
                                             WalkGoals::activate(NavButton::activate, name)}));
  steps.push_back(
      {"check " + name, [this, logVerdict, after](App& app, double t) {
         if (t < 0.2 || app.discCheck.discChecking) return false;
         if (logVerdict) {
           logLine("disc check: %s", app.discCheck.discVerdict.empty() ? std::string("ok")
                                                                       : app.discCheck.discVerdict);
         }
         const std::string place = placeOf(app);
         if (place != after)
           failAndQuit(app, "FAIL the " + after + " did not come after the check (" + place + ")");
         return true;
       }});
}

void Selftest::buildDriven() {
  const bool pad = input == InputMode::gamepad;
  // The list searches the images' own folder, never the user's folders, unless told otherwise.
  if (getEnv(kDiscPlacesVariable).empty())
    setEnv(kDiscPlacesVariable, utf8String(utf8Path(disc).parent_path()));
  driver = std::make_unique<InputDriver>(input);
  steps.push_back({"connect", [this, pad, frames = 0](App& app, double t) mutable {
                     if (t == 0) {
                       std::string error;
                       if (!driver->connect(error)) {
                         failAndQuit(app, "FAIL " + error);
                         return true;
                       }
                       return false;
                     }
                     // A few frames for the pad's arrival to reach the interface.
                     if (!driver->connected() || ++frames < 10) {
                       if (frames > kConnectFrames) {
                         failAndQuit(app, "FAIL the virtual gamepad was never seen");
                         return true;
                       }
                       return false;
                     }
                     logLine("input: %s", pad ? "gamepad" : "keyboard");
                     return true;
                   }});
  // The road starts in English whatever the saved language: a control's identity follows its
  // label, so a focus placed in another language would be lost when the scenario turns English.
  steps.push_back(instantStep("start in english", [](App&) { uiFrench = false; }));
  // The first move shows the focus ring; the way back puts it on the page's main action.
  steps.push_back(pressStep("show the focus", [this] {
    return std::vector<WalkGoal>{WalkGoals::move(across()),
                                 WalkGoals::focus(acrossBack(), tr("Select your disc image…",
                                                                   "Choisir votre image disque…"))};
  }));
  steps.push_back(shot("01-welcome", 1.5));
  steps.push_back(instantStep("french welcome", [](App&) { uiFrench = true; }));
  steps.push_back(shot("02-welcome-fr"));
  steps.push_back(instantStep("english", [](App&) { uiFrench = false; }));
  if (!wrongDisc.empty()) {
    pickFromList(wrongDisc, false, "welcome screen");
    steps.push_back(shot("03-wrong-disc"));
  }
  pickFromList(disc, true, "Play tab");
  steps.push_back(shot("05-ready"));
  steps.push_back(buildStep(true));
  steps.push_back(shot("09-built", 1.0));
  const NavButton nextTab = NavButton::tabNext;
  const NavButton prevTab = NavButton::tabPrev;
  steps.push_back(pressStep("settings", {WalkGoals::press(nextTab, "Settings tab")}));
  steps.push_back(shot("10-settings"));
  steps.push_back(instantStep("video change", [](App& app) {
    app.video.mode = "windowed";
    app.video.width = 1280;
    app.video.height = 960;
    app.video.save(app.layout.videoIni);
    app.video.loaded = true;
    app.videoSaved = true;
  }));
  steps.push_back(shot("11-settings-saved"));
  steps.push_back(pressStep("maintenance", {WalkGoals::press(nextTab, "Maintenance tab")}));
  steps.push_back(shot("12-maintenance"));
  steps.push_back(instantStep("french", [](App&) { uiFrench = true; }));
  steps.push_back(pressStep("play tab", {WalkGoals::press(prevTab, "Settings tab"),
                                         WalkGoals::press(prevTab, "Play tab")}));
  steps.push_back(shot("13-play-fr"));
  steps.push_back(pressStep("french settings", {WalkGoals::press(nextTab, "Settings tab")}));
  steps.push_back(shot("14-settings-fr"));
  steps.push_back(instantStep("english", [](App&) { uiFrench = false; }));
  steps.push_back(pressStep("back to play", {WalkGoals::press(prevTab, "Play tab")}));
  // Play, focused and pressed; the pad's Start plays from anywhere on the Play tab.
  auto pressPlay = [](bool start) {
    return [start] {
      if (start) return std::vector<WalkGoal>{WalkGoals::press(NavButton::start, "game running")};
      const std::string play = shownLabel(tr("Play##play", "Jouer##play"));
      return std::vector<WalkGoal>{WalkGoals::focus(NavButton::next, play),
                                   WalkGoals::activate(NavButton::activate, play, "game running")};
    };
  };
  steps.push_back(pressStep(
      "press play", pressPlay(false), [this](App&) { prepareCaptureDir("play"); },
      [this](App& app) {
        logLine("game started (pid %s)", std::to_string(app.game.process.processId()));
      }));
  steps.push_back(playStep(true));
  steps.push_back(shot("15-after-play", 1.5));
  if (crashSeconds > 0) {
    // The keyboard has no Start: Enter on Play.
    steps.push_back(pressStep(
        "press play to crash", pressPlay(pad),
        [this](App&) {
          prepareCaptureDir("crash");
          setEnv(envTestCrash, std::to_string(static_cast<long long>(crashSeconds)));
          setEnv(envNoDialogs, envNoDialogsValue);
        },
        [this](App& app) {
          setEnv(envTestCrash, "");
          setEnv(envNoDialogs, "");
          logLine("game started to crash (pid %s)", std::to_string(app.game.process.processId()));
        }));
    steps.push_back(crashStep(true));
    steps.push_back(shot("16-crash", 1.5));
  }
  steps.push_back(instantStep("quit", [this](App& app) {
    driver->disconnect();
    logLine("selftest done");
    app.quitConfirmed = true;
  }));
}

}  // namespace scf
