#include "ui/screens/preparing_time.h"

#include <cmath>
#include <cstdio>

#include "prepare/build_progress.h"
#include "release/tr.h"

namespace scf {

std::string estimateText(double secondsLeft) {
  // Below a minute the padding would only overstate what is left.
  if (secondsLeft < 60.0) return tr("less than a minute left", "moins d'une minute restante");
  const int minutes = static_cast<int>(std::ceil(secondsLeft * 1.3 / 60.0));
  char text[64];
  std::snprintf(text, sizeof text, tr("about %d min left", "environ %d min restantes"), minutes);
  return text;
}

std::string preparingTimeLine(double elapsedSeconds, double secondsLeft) {
  std::string line = tr("Elapsed ", "Écoulé ") + formatDuration(elapsedSeconds);
  if (secondsLeft >= 0.0) line += "  ·  " + estimateText(secondsLeft);
  return line;
}

}  // namespace scf
