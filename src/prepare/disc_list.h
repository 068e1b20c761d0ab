#pragma once

#include <cstddef>
#include <string>

#include "prepare/disc_search.h"

namespace scf {

struct App;

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
};

// The label of the controls that open the list, in the current language.
const char* findDiscImagesLabel();

// Shows the list and starts a new search.
void openDiscList(App& app);
// Hides the list; a search still running is stopped.
void closeDiscList(App& app);
// Checks the index-th image of the list. The list closes when the check starts or the image is
// otherwise answered for; a start the task table refuses keeps the list open, saying why.
// False when nothing started.
bool pickDiscFromList(App& app, std::size_t index);
// Once per turn: takes the search's result when it has ended.
void pollDiscList(App& app);

}  // namespace scf
