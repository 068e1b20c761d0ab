// What the keyboard and pad navigation shows after a frame: the focused control and the one the
// last frame activated, named by their labels, as the interface's own trace reports them.
#pragma once

#include <string>
#include <vector>

#include "harness/press_walker.h"

namespace scf {

// Rows that carry no label of their own: row i, drawn in the child window named child between
// PushID(i) and PopID() as the item rowId, shows labels[i].
struct LabelledRows {
  std::string child;
  std::string rowId;
  std::vector<std::string> labels;
};

// The view after the last frame drawn; last is the view read after the frame before (its
// focus names a control that a press activated while the focus moved on in the same frame).
// The place is left to the caller.
NavView readNav(uint64_t frame, const NavView& last, const LabelledRows& rows = {});

}  // namespace scf
