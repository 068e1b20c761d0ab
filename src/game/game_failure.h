#pragma once

#include <string>

namespace scf {

struct GameRun;

// The Play tab's game failure card: whether it shows, and its texts, from the last run's
// outcome. The title follows the current language; the detail is a path, the system's
// message or "exit code N", never translated.
bool gameFailureShown(const GameRun& game);
std::string gameFailureTitle(const GameRun& game);
std::string gameFailureDetail(const GameRun& game);

}  // namespace scf
