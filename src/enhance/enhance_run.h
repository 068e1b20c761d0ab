#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/process.h"
#include "platform/process_line_batch.h"
#include "release/tr.h"

namespace scf {

struct ReleaseLayout;

// The texture script's run: making the enhanced texture pack or removing it, one run at a time.
// Started by a click, followed by the frame loop's poll, all on the UI thread.
struct EnhanceRun {
  ChildProcess process;
  bool running = false;
  bool removing = false;  // the run removes the pack (else it makes it)
  bool doneSeen = false;  // the script printed its completion line
  std::string stage;      // the last stage name the script printed; empty at start
  std::uint64_t progressDone = 0;
  std::uint64_t progressTotal = 0;
  std::string runError;   // shown in red under the panel
  std::string runResult;  // shown in green under the panel
  // The enhanced textures present; -1 until counted.
  int textureCount = -1;
  LineBatch lines;  // kept across turns so taking lines allocates nothing

  // Starts making (remove false) or removing the pack with the layout's script; a start that
  // fails says why in runError.
  void start(const ReleaseLayout& layout, bool remove);
  // Applies one output line of the script.
  void takeLine(std::string_view line);
  // The Stop button: ends a making run at once and says how to go on; a removal cannot be
  // stopped.
  void stop();
  // Once per turn while running: applies the script's new lines and finishes an ended run,
  // counting the pack's textures again; true on the turn the run ended.
  bool poll(const ReleaseLayout& layout);
  // Counts the ".png" files directly in the layout's pack folder into textureCount; a missing
  // folder or a listing error ends the count with what was counted so far.
  void countTextures(const ReleaseLayout& layout);

 private:
  void takeLines();
};

// The script, the upscaler and the pack, all from the release layout.
std::string enhanceScriptPath(const ReleaseLayout& layout);
std::string upscalerPath(const ReleaseLayout& layout);
std::string texturePackFolder(const ReleaseLayout& layout);

// The texture script's command line: pythonExe, the interpreter options, the script and
// --user, then --remove, or --game and --kit; every path absolute, run in sourceDir.
ChildCommand enhanceCommand(const ReleaseLayout& layout, bool remove);

// The release ships both the texture script and the upscaler it drives.
bool enhanceAvailable(const ReleaseLayout& layout);

// The panel's kept sentences, so it can say them in the language current when drawn.
extern const TextPair kEnhanceCouldNotStart;
extern const TextPair kEnhanceStoppedByUser;
extern const TextPair kEnhanceRemoved;
extern const TextPair kEnhanceDone;
extern const TextPair kEnhanceEnded;

}  // namespace scf
