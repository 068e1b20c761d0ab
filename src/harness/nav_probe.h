// What the keyboard and pad navigation shows after a frame: the focused control and the one the
// last frame activated, named by their labels, as the interface's own trace reports them.
#pragma once

#include <string>

#include "harness/press_walker.h"

namespace scf {

// The view after the last frame drawn; last is the view read after the frame before (its
// focus names a control that a press activated while the focus moved on in the same frame).
// The place is left to the caller.
NavView readNav(uint64_t frame, const NavView& last);

}  // namespace scf
