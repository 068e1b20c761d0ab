#pragma once

#include <cstdint>
#include <string>

#include "platform/process.h"

namespace scf {

struct App;
struct ReleaseLayout;

// The build kit's run: start, stop, and the frame loop's completion handling.
//
// Every run's time is added once to the `pendingBuildSeconds` setting, by whichever comes first
// of a stop (the user's or the quit's) and the run's end; a success turns the sum into
// `lastBuildSeconds`. The forms taking `now` read no clock of their own.
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

  static void start(App& app);
  static void start(App& app, double now);
  static void stop(App& app);
  static void stop(App& app, double now);
  // Every turn while building: feeds the kit's lines and decides the run's end.
  static void finish(App& app);
  static void finish(App& app, double now);
};

// The result line in the current language; empty when there is none.
std::string buildStatusLine(const BuildRun& run);

// Bytes free to the user on the drive the build writes to; 0 when unknown.
std::uint64_t freeSpaceBytes(const ReleaseLayout& layout);

}  // namespace scf
