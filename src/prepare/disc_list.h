#pragma once

#include <cstddef>
#include <string>

#include "prepare/disc_search.h"

namespace scf {

// The in-window list of disc images: a choice of the disc for a player with only a gamepad or
// a keyboard, and for anyone who would rather not browse. Picking an image checks it exactly
// like a file chosen in the desktop's dialog.
struct DiscList {
  DiscSearch search;
  bool open = false;       // the list is shown
  bool searching = false;  // the search for it has not ended yet
  DiscSearchResult result;
  // The last pick was refused by the task table: the list says why (from App's refusal).
  bool pickRefused = false;

  // Shows the list and starts a new search.
  void show();
  // Hides the list; a search still running is stopped.
  void hide();
  // Once per turn: takes the search's result when it has ended.
  void poll();
};

// The label of the controls that open the list, in the current language.
const char* findDiscImagesLabel();

}  // namespace scf
