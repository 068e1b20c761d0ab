#include "app/frame_loop.h"

namespace scf {

void runFrameLoop(App&, const TickFn&) {}

}  // namespace scf
