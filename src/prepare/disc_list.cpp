#include "prepare/disc_list.h"

#include "release/tr.h"

namespace scf {

const char* findDiscImagesLabel() {
  return tr("Find disc images##find-discs", "Chercher les images disque##find-discs");
}

void DiscList::show() {
  open = true;
  searching = true;
  pickRefused = false;
  result = {};
  search.start(discPlaceHints());
}

void DiscList::hide() {
  open = false;
  pickRefused = false;
  if (searching) search.stop();
  searching = false;
}

void DiscList::poll() {
  if (!searching) return;
  if (search.takeResult(result)) searching = false;
}

}  // namespace scf
