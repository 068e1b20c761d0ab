// The launcher's own start-up path, ending after its first presented frame: prints the
// monotonic time of that moment so bench/startup can measure process start to first frame.
#include <cstdio>
#include <string>
#include <vector>

#include "app/app.h"
#include "app/gui_mode.h"
#include "app/launch_options.h"
#include "platform/clock.h"
#include "platform/exe_path.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const scf::LaunchOptions options = scf::parseLaunchOptions(args);
  const std::string release =
      options.releaseFolder.empty() ? scf::exeFolder() : options.releaseFolder;
  int turn = 0;
  return scf::runGuiMode(options, release, [&](scf::App& app) {
    // The tick runs before the turn's frame, so on the second turn the first one is presented.
    if (++turn == 2) {
      std::printf("first-frame %.6f\n", scf::nowSeconds());
      std::fflush(stdout);
      app.quitConfirmed = true;
    }
  });
}
