#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

struct SDL_Window;

namespace scf {

struct FileDialogAnswer;
struct ReleaseLayout;

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

  // Shows the open-file dialog over the parent window; a chosen path comes back through the
  // dialog's answer.
  void choose(SDL_Window* parent);
  // Applies what the dialog answered: a failure or the close of a dialog that was already open
  // changes chooseError; returns the chosen path, or empty.
  std::string takeDialogAnswer(const FileDialogAnswer& answer);
  // Starts the kit's check of the image, noting the tab whose screen the verdict belongs to.
  void start(const ReleaseLayout& layout, const std::string& imagePath, int onTab, double now);
  // Ends a running check and its whole process tree; no verdict is given.
  void cancel();
  // Once per turn while checking: reads the kit's lines, ends a check that runs too long, and
  // gives the verdict of one that has ended; true on the turn the image was accepted.
  bool poll(double now);
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
