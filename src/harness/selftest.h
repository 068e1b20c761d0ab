#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "harness/input_driver.h"
#include "harness/press_walker.h"

namespace scf {

struct App;
struct LaunchOptions;

// The scripted self-test: drives the launcher through a fixed list of steps on the frame-loop
// thread, using only the operations and App fields the user interface uses, and leaves
// selftest.log and PNG screenshots in shotsDir.
// A press of the driven self-test that is not sent, to prove that a press without effect fails
// the run: its number (from 1), or a button's name for that button's first press ("A", "Enter").
inline constexpr const char* kSwallowPressVariable = "SCF_SELFTEST_SWALLOW_PRESS";

class Selftest {
 public:
  // A step's action gets the App and the seconds since the step's first call (exactly 0 on that
  // call); true means the step is complete.
  using Action = std::function<bool(App&, double)>;
  struct Step {
    std::string name;
    Action action;
  };
  using Clock = std::function<double()>;

  // Set-up: fields from the options, shotsDir created, selftest.log opened (truncated), the
  // first log line written and the steps built. The clock is the monotonic one outside tests.
  Selftest(const LaunchOptions& options, const App& app, Clock clock = {});
  ~Selftest();
  Selftest(const Selftest&) = delete;
  Selftest& operator=(const Selftest&) = delete;

  // One frame-loop turn: runs the current step once and advances when it completes.
  void tick(App& app);
  // The step that photographs the window once delay seconds have passed.
  Step shot(const std::string& name, double delay = 0.8);
  // Writes one time-stamped line to the log, when it is open, and flushes it.
  void logLine(const std::string& format, const std::string& a = {}, const std::string& b = {});
  // Gives the game started next its own window-capture folder under ZA2D_CAPTURE_WINDOW_DIR.
  void prepareCaptureDir(const std::string& name);
  void closeLog();

  // The scenario's longer steps (a test can run one on its own).
  Step discCheckStep();
  Step vanishingDiscStep();
  // Driven: the build is started, stopped and resumed by presses, not by calls.
  Step buildStep(bool driven = false);
  // Started: the game was started by a press just before; the step only watches it.
  Step playStep(bool started = false);
  Step crashStep(bool started = false);
  // A step that walks its goals with presses of the driver's buttons; before runs on the step's
  // first call, after once the walk has succeeded.
  Step pressStep(const std::string& name, std::vector<WalkGoal> goals,
                 std::function<void(App&)> before = {}, std::function<void(App&)> after = {});
  // The same with goals made when the step starts (their labels in the language shown then).
  using GoalsFn = std::function<std::vector<WalkGoal>()>;
  Step pressStep(const std::string& name, GoalsFn goals, std::function<void(App&)> before = {},
                 std::function<void(App&)> after = {});
  // Where the launcher is, as the walk names it: "welcome screen", "Play tab", "game running"...
  static std::string placeOf(const App& app);

  // Every step ran and none recorded a failure.
  bool passed() const { return index >= steps.size() && !failed; }
  int exitCode() const { return passed() ? 0 : 1; }

  std::string disc;
  std::string shotsDir;
  std::string wrongDisc;
  bool errorDemo = false;
  bool cancel = false;
  bool screens = false;
  bool enhance = false;
  bool failed = false;
  double playSeconds = 40.0;
  double crashSeconds = 0.0;
  std::FILE* log = nullptr;
  std::vector<Step> steps;
  size_t index = 0;
  double stepStart = 0;
  double buildStart = 0;
  double runStart = 0;
  std::string captureBase;
  // --gamepad or --keyboard: the full scenario driven by presses only.
  InputMode input = InputMode::none;
  std::unique_ptr<InputDriver> driver;
  // What the last frame showed, read once per frame drawn.
  NavView nav;
  // Presses so far, and the press that is not sent (the variable above).
  int presses = 0;
  std::string swallowPress;

 private:
  double now() const;
  // Joins shotsDir and a file name.
  std::string shotPath(const std::string& fileName) const;
  // Records a failure that ends the run at once.
  void failAndQuit(App& app, const std::string& line);

  void build();
  void buildFull();
  void buildScreens();
  void buildEnhance();
  void buildDriven();
  // The steps that open the in-window disc list, pick the image in it and wait for its check,
  // after which the launcher must be at the place after.
  void pickFromList(const std::string& image, bool logVerdict, const std::string& after);
  // The button that moves to the next control of a row of buttons, and the one back.
  NavButton across() const;
  NavButton acrossBack() const;
  // One turn of a walk: its press or release sent, its line logged, a failure recorded. True
  // when the walk is over (failed included).
  bool runWalk(App& app, PressWalker& walk);
  // Reads the interface's navigation after each frame drawn.
  void watchNav(const App& app);
  // The last step of a scenario this build cannot run yet: a FAIL line, so the run never passes.

  // Logs "game exited, code …, crash report: …" after a play or crash launch.
  void logGameExit(const App& app);

  Clock clock_;
  uint64_t navFrame_ = 0;
  bool swallowing_ = false;
  bool swallowed_ = false;
};

}  // namespace scf
