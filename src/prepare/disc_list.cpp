#include "prepare/disc_list.h"

#include "app/app.h"
#include "prepare/disc_check.h"
#include "release/tr.h"

namespace scf {

const char* findDiscImagesLabel() {
  return tr("Find disc images##find-discs", "Chercher les images disque##find-discs");
}

void openDiscList(App& app) {
  DiscList& list = app.discList;
  list.open = true;
  list.searching = true;
  list.pickRefused = false;
  list.result = {};
  list.search.start(discPlaceHints());
}

void closeDiscList(App& app) {
  DiscList& list = app.discList;
  list.open = false;
  list.pickRefused = false;
  if (list.searching) list.search.stop();
  list.searching = false;
}

bool pickDiscFromList(App& app, std::size_t index) {
  DiscList& list = app.discList;
  if (list.searching || index >= list.result.discs.size()) return false;
  const std::string path = list.result.discs[index].path;
  DiscCheck::takeChosen(app, path);
  // The table clears a kept refusal when a start passes, and keeps a new one when it does not.
  if (app.refusal.active) {
    list.pickRefused = true;
    return false;
  }
  closeDiscList(app);
  return app.discCheck.discChecking;
}

void pollDiscList(App& app) {
  DiscList& list = app.discList;
  if (!list.searching) return;
  if (list.search.takeResult(list.result)) list.searching = false;
}

}  // namespace scf
