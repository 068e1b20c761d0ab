#pragma once

#include <cstdint>
#include <string>

#include "platform/process.h"

namespace scf {

struct BuildProgress;
struct LauncherSettings;
struct ReleaseLayout;

// What the build needs from the launcher around it.
class BuildHost {
 public:
  virtual ~BuildHost() = default;
  // Saves the launcher settings (off the frame once the frame loop runs).
  virtual void saveSettings() = 0;
  // Saves the record of the failure the progress shows, for a launcher started again.
  virtual void keepFailure() = 0;
};

// What a build reads and changes besides its own record: the release it builds, the settings
// that name the disc and count the build's time, its progress, and its host.
struct BuildContext {
  const ReleaseLayout& layout;
  LauncherSettings& settings;
  BuildProgress& progress;
  BuildHost& host;
};

// How a turn of the build ended it: not at all (none), with the game ready, stopped by the
// user, or failed (the progress says at which stage and why).
enum class BuildEnd { none, ready, stopped, failed };

// The build kit's run: start, stop, and the frame loop's completion handling.
//
// Every run's time is added once to the `pendingBuildSeconds` setting, by whichever comes first
// of a stop (the user's or the quit's) and the run's end; a success turns the sum into
// `lastBuildSeconds`. Every step takes the time from its caller and reads no clock of its own.
struct BuildRun {
  ChildProcess process;
  LineBatch lines;  // the kit's lines of this turn; its room is kept from turn to turn
  bool building = false;
  bool stopRequested = false;
  std::string statusText;                 // the Play tab's result line, as it was made
  std::uint32_t statusColour = 0x4FE0A3;  // 0xRRGGBB
  // What the result line says, so the Play tab can say it in the language current when drawn.
  enum class Status { none, ready, stopped };
  Status status = Status::none;
  double statusSeconds = 0;  // the preparing time a ready line names
  bool timeBanked = false;   // this run's time is in the pending sum already

  // Starts the kit on the settings' disc, resuming a pending build; false when it could not
  // start (the progress says why, as a failure of the verify stage).
  bool start(const BuildContext& context, double now);
  // Ends a running build at once and banks its time; its end is read by finish.
  void stop(const BuildContext& context, double now);
  // Every turn while building: feeds the kit's lines and decides the run's end; a failure's
  // record is kept through the host.
  BuildEnd finish(const BuildContext& context, double now);
};

// The result line in the current language; empty when there is none.
std::string buildStatusLine(const BuildRun& run);

// Bytes free to the user on the drive the build writes to; 0 when unknown.
std::uint64_t freeSpaceBytes(const ReleaseLayout& layout);

}  // namespace scf
