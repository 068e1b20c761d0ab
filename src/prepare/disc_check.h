#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace scf {

struct App;

// Choosing a disc image and having the kit check it. The check runs in the background and is
// finished by the frame loop's poll; an accepted image becomes the `disc` setting.
// What the kit's disc check has said so far, read line by line while it runs.
struct DiscCheckReading {
  std::string okLine;
  std::string reason;
  void feed(std::string_view line);
};

struct DiscCheck {
  ChildProcess process;
  LineBatch lines;  // the kit's lines of this turn; its room is kept from turn to turn
  DiscCheckReading reading;
  bool discChecking = false;
  std::string checkedImage;  // the image of the running or last check
  std::string discVerdict;   // one sentence for a refused image; empty: nothing to report
  std::string discDetail;    // the kit's own reason, or the start error
  // What the verdict is, so the screens can say it again in the language current when drawn.
  enum class Verdict { none, refused, couldNotCheck, tooSlow };
  Verdict verdictKind = Verdict::none;
  // Set when no open-file dialog can be shown on this desktop: one sentence for the screens.
  std::string chooseError;
  double startedAt = 0;  // monotonic time the running check began
  int startedOnTab = 0;  // the tab (or screen) the user was on, where the verdict belongs

  // A check still running after this long is ended as too slow. Tests may shorten it.
  static double timeLimitSeconds;

  // Shows the open-file dialog; a chosen path reaches start() through the frame loop's poll.
  static void choose(App& app);
  // Starts the kit's check of the image unless the task table refuses it (then App keeps the
  // refusal so the screen says why).
  static void start(App& app, const std::string& imagePath);
  // Ends a running check and its whole process tree; no verdict is given.
  static void cancel(App& app);
  // Once per turn: starts a check for a path the dialog (or a drop) handed over, and finishes a
  // check whose process has ended.
  static void poll(App& app);
  // A file the user picked, in the dialog or by dropping it onto the window: checked when the
  // screen takes a disc and the task table lets the check start; otherwise the user is told why.
  static void takeChosen(App& app, const std::string& imagePath);
};

// What the kit's disc check said: accepted, or the reason it gave for refusing the image.
struct DiscCheckAnswer {
  bool accepted = false;
  std::string reason;
};

DiscCheckAnswer readDiscCheckOutput(const DiscCheckReading& reading, int exitCode);
DiscCheckAnswer readDiscCheckOutput(const std::vector<std::string>& lines, int exitCode);

// The sentence shown for a refused image, in the current language.
std::string discRefusalVerdict(const std::string& reason);
// True when that sentence says all the kit's reason did (a generic sentence does not).
bool discRefusalExplained(const std::string& reason);
// The last check's verdict in the current language; empty when there is none.
std::string discVerdictText(const DiscCheck& check);

}  // namespace scf
