// SCF Launcher: turns the player's own Scrapfury disc image into a PC game and starts it.
#include <string>
#include <vector>

#include "app/gui_mode.h"
#include "app/launch_options.h"
#include "app/text_mode.h"
#include "platform/command_line.h"
#include "platform/error_mode.h"
#include "platform/exe_path.h"

int main(int argc, char** argv) {
  scf::quietSystemErrorBoxes();
  const std::vector<std::string> args = scf::commandLineArguments(argc, argv);
  const scf::LaunchOptions options = scf::parseLaunchOptions(args);
  const std::string release =
      options.releaseFolder.empty() ? scf::exeFolder() : options.releaseFolder;
  return options.textMode() ? scf::runTextMode(options, release)
                            : scf::runGuiMode(options, release);
}
