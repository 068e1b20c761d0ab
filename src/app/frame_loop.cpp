#include "app/frame_loop.h"

#include "app/app.h"
#include "app/clock.h"
#include "app/window.h"
#include "ui/background.h"
#include "ui/main_window.h"

namespace scf {

void runFrameLoop(App& app, const TickFn& tick) {
  const double t0 = nowSeconds();
  for (;;) {
    if (app.quitConfirmed) break;
    if (pollEvents()) break;
    app.animTime = nowSeconds() - t0;
    if (tick) tick(app);

    beginFrame();
    drawBackground(app.animTime, app.settings.motion);
    drawMainWindow(app);
    endFrame(app.screenshotRequest);
    app.screenshotRequest.clear();
  }
}

}  // namespace scf
