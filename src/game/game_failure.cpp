#include "game/game_failure.h"

#include "app/app.h"
#include "release/tr.h"

namespace scf {

bool gameFailureShown(const App& app) {
  const GameRun& game = app.game;
  return !game.crashReport.empty() || game.closedUnexpectedly || !game.startError.empty();
}

std::string gameFailureTitle(const App& app) {
  if (!app.game.startError.empty()) {
    return tr("The game could not start.", "Le jeu n'a pas pu démarrer.");
  }
  return tr("The game closed unexpectedly.", "Le jeu s'est fermé de façon inattendue.");
}

std::string gameFailureDetail(const App& app) {
  const GameRun& game = app.game;
  if (!game.crashReport.empty()) return game.crashReport;
  if (!game.startError.empty()) return game.startError;
  return "exit code " + std::to_string(game.gameExitCode);
}

}  // namespace scf
