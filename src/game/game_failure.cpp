#include "game/game_failure.h"

#include "game/game_run.h"
#include "release/tr.h"

namespace scf {

bool gameFailureShown(const GameRun& game) {
  return !game.crashReport.empty() || game.closedUnexpectedly || !game.startError.empty();
}

std::string gameFailureTitle(const GameRun& game) {
  if (!game.startError.empty()) {
    return tr("The game could not start.", "Le jeu n'a pas pu démarrer.");
  }
  return tr("The game closed unexpectedly.", "Le jeu s'est fermé de façon inattendue.");
}

std::string gameFailureDetail(const GameRun& game) {
  if (!game.crashReport.empty()) return game.crashReport;
  if (!game.startError.empty()) return game.startError;
  return "exit code " + std::to_string(game.gameExitCode);
}

}  // namespace scf
