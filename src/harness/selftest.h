#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace scf {

struct App;
struct LaunchOptions;

// The scripted self-test: drives the launcher through a fixed list of steps on the frame-loop
// thread, using only the operations and App fields the user interface uses, and leaves
// selftest.log and PNG screenshots in shotsDir.
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
  Step buildStep();
  Step playStep();
  Step crashStep();

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
  // The last step of a scenario this build cannot run yet: a FAIL line, so the run never passes.

  // Logs "game exited, code …, crash report: …" after a play or crash launch.
  void logGameExit(const App& app);

  Clock clock_;
};

}  // namespace scf
