#include "prepare/disc_choose.h"

#include "prepare/disc_check.h"
#include "release/tr.h"

namespace scf {

std::string discDialogTitle() {
  return tr("Select your Scrapfury disc image", "Choisir l'image disque de Scrapfury");
}

std::vector<FileDialogFilter> discImageFilters() {
  return {
      {std::string(tr("Disc images", "Images disque")) + " (*.iso, *.bin, *.cue)", "iso;bin;cue"},
      {std::string(tr("All files", "Tous les fichiers")) + " (*.*)", "*"},
  };
}

const TextPair kNoFileDialogText = {
    "No file dialog can be shown on this desktop. Drop the disc image onto this window instead.",
    "Aucune fenêtre de choix de fichier ne peut s'ouvrir sur ce bureau. Déposez plutôt "
    "l'image disque sur cette fenêtre."};
const TextPair kDialogAlreadyOpenText = {
    "The file dialog is already open. It may be behind this window.",
    "La fenêtre de choix de fichier est déjà ouverte. Elle est peut-être derrière cette "
    "fenêtre."};

std::string noFileDialogText() {
  return tr(kNoFileDialogText);
}

std::string dialogAlreadyOpenText() {
  return tr(kDialogAlreadyOpenText);
}

void DiscCheck::choose(SDL_Window* parent) {
  // An earlier dialog still open keeps the choice; a second one would only compete with it, so
  // the click says where the first one is.
  if (!showOpenFileDialog(parent, discDialogTitle(), discImageFilters())) {
    chooseError = dialogAlreadyOpenText();
  }
}

std::string DiscCheck::takeDialogAnswer(const FileDialogAnswer& answer) {
  switch (answer.kind) {
    case FileDialogAnswer::Kind::chosen:
      return answer.path;
    case FileDialogAnswer::Kind::failed:
      chooseError = noFileDialogText();
      break;
    case FileDialogAnswer::Kind::cancelled:
      // The dialog that was open has closed: the sentence about it is over.
      if (sayNow(chooseError, {kDialogAlreadyOpenText}) == dialogAlreadyOpenText()) {
        chooseError.clear();
      }
      break;
  }
  return {};
}

}  // namespace scf
