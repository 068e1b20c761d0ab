// Scrapfury, demo stand-in: the program the demo build kit installs as game/scf. It takes the
// same command line, environment and files as the real game, draws a small moving scene from
// the disc's textures, and ends the way the launcher expects (code 0 when closed, a crash report
// and an abnormal end when asked to crash).

#include <SDL3/SDL.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "disc_textures.h"
#include "game_log.h"
#include "game_system.h"
#include "harness/png_writer.h"
#include "platform/command_line.h"
#include "platform/env.h"
#include "platform/utf8_path.h"
#include "release/user_folder.h"
#include "release/video_settings.h"
#include "scene.h"
#include "window_plan.h"

namespace scf_demo {

namespace fs = std::filesystem;

namespace {

volatile std::sig_atomic_t gTerminate = 0;

void onTerminate(int) {
  gTerminate = 1;
}

struct Arguments {
  std::string elf;
  std::string iso;
};

// The reason the arguments cannot be used, or an empty string.
std::string parseArguments(const std::vector<std::string>& arguments, Arguments& args) {
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if ((option == "--elf" || option == "--iso") && i + 1 < arguments.size()) {
      (option == "--elf" ? args.elf : args.iso) = arguments[++i];
    } else {
      return "unknown argument \"" + option + "\" (usage: scf --elf BOOT_FILE --iso DISC_ISO)";
    }
  }
  if (args.elf.empty()) return "no boot file given: start the game with --elf BOOT_FILE";
  if (args.iso.empty()) return "no disc given: start the game with --iso DISC_ISO";
  std::error_code error;
  if (!fs::is_regular_file(scf::utf8Path(args.elf), error))
    return "the boot file " + args.elf + " does not exist";
  if (!fs::is_regular_file(scf::utf8Path(args.iso), error))
    return "the disc " + args.iso + " does not exist";
  return {};
}

// ZA2D_TEST_CRASH's whole seconds, or -1 when it is unset or not a number.
double crashDelay(const std::string& text) {
  if (text.empty() || text.size() > 6 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return -1.0;
  }
  return std::atoi(text.c_str());
}

void showDialog(bool allowed, const std::string& text, SDL_Window* window) {
  if (allowed) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "Scrapfury", text.c_str(), window);
}

bool capture(SDL_Renderer* renderer, const std::string& path) {
  SDL_Surface* shot = SDL_RenderReadPixels(renderer, nullptr);
  if (!shot) return false;
  SDL_Surface* rgba = SDL_ConvertSurface(shot, SDL_PIXELFORMAT_RGBA32);
  SDL_DestroySurface(shot);
  if (!rgba) return false;
  // Rows of the surface may be padded; the PNG writer takes them packed.
  std::string packed(size_t(rgba->w) * rgba->h * 4, '\0');
  for (int y = 0; y < rgba->h; ++y) {
    std::memcpy(&packed[size_t(y) * rgba->w * 4],
                static_cast<const char*>(rgba->pixels) + size_t(y) * rgba->pitch,
                size_t(rgba->w) * 4);
  }
  const bool written = scf::writePng(path, reinterpret_cast<const uint8_t*>(packed.data()),
                                     uint32_t(rgba->w), uint32_t(rgba->h), false);
  SDL_DestroySurface(rgba);
  return written;
}

// F2, the stand-in for the real game's settings window: the next of a few window sizes, saved
// to video.ini, whose other keys (the launcher's among them) are kept.
std::string nextWindowSize(SDL_Window* window, const std::string& videoIni) {
  static const int kSizes[][2] = {{640, 448}, {960, 672}, {1280, 896}};
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window, &width, &height);
  int next = 0;
  for (int i = 0; i < 3; ++i) {
    if (kSizes[i][0] == width && kSizes[i][1] == height) next = (i + 1) % 3;
  }
  SDL_SetWindowSize(window, kSizes[next][0], kSizes[next][1]);
  scf::VideoSettings video;
  video.load(videoIni);
  video.width = kSizes[next][0];
  video.height = kSizes[next][1];
  video.mode = "windowed";
  const bool saved = video.save(videoIni);
  return "F2: window " + std::to_string(video.width) + "x" + std::to_string(video.height) +
         (saved ? ", saved to " : ", could not save ") + videoIni;
}

void placeWindow(SDL_Window* window, const WindowPlan& plan) {
  if (plan.mode == "fullscreen") {
    SDL_DisplayMode mode{};
    const SDL_DisplayID display = SDL_GetDisplayForWindow(window);
    if (SDL_GetClosestFullscreenDisplayMode(display, plan.width, plan.height, 0.0f, false, &mode)) {
      SDL_SetWindowFullscreenMode(window, &mode);
    }
    SDL_SetWindowFullscreen(window, true);
  } else if (plan.mode == "borderless") {
    SDL_SetWindowFullscreenMode(window, nullptr);  // the desktop's own size
    SDL_SetWindowFullscreen(window, true);
  } else {
    SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
}

int run(int argc, char** argv) {
  const std::vector<std::string> arguments = scf::commandLineArguments(argc, argv);
  // Installed before SDL starts, so SDL keeps it; the frame loop then ends as if the window
  // closed.
  catchTerminate(onTerminate);
  const Uint64 started = SDL_GetTicksNS();
  const fs::path user = scf::utf8Path(scf::userFolder());
  GameLog log;
  log.open(scf::utf8String(user / "logs" / "scf.log"));
  log.line("Scrapfury (demo stand-in game made by the SCF Launcher's demo build kit)");
  log.line("user folder: " + scf::utf8String(user));
  const bool dialogs = scf::getEnv("ZA2D_NO_DIALOGS") != "1";

  Arguments args;
  if (std::string problem = parseArguments(arguments, args); !problem.empty()) {
    log.line("cannot start: " + problem);
    showDialog(dialogs, "Scrapfury cannot start: " + problem + ".", nullptr);
    return 2;
  }
  log.line("boot file: " + args.elf);
  log.line("disc: " + args.iso);

  const double crashAfter = crashDelay(scf::getEnv("ZA2D_TEST_CRASH"));
  if (crashAfter >= 0) log.line("test crash in " + std::to_string(int(crashAfter)) + " s");
  const std::string captureDir = scf::getEnv("ZA2D_CAPTURE_WINDOW_DIR");

  const WindowPlan plan = planWindow(scf::utf8String(user / "video.ini"));
  log.line("window: " + std::to_string(plan.width) + "x" + std::to_string(plan.height) + " " +
           plan.mode + ", render scale " + plan.renderScale + ", GS scale " +
           std::to_string(plan.gsScale));

  if (!SDL_Init(SDL_INIT_VIDEO)) {
    log.line(std::string("cannot open a window: ") + SDL_GetError());
    return 1;
  }
  SDL_Window* window = SDL_CreateWindow("Scrapfury", plan.width, plan.height,
                                        plan.mode == "windowed" ? SDL_WINDOW_RESIZABLE : 0);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, nullptr) : nullptr;
  if (!renderer) {
    log.line(std::string("cannot open a window: ") + SDL_GetError());
    showDialog(dialogs, std::string("Scrapfury cannot open its window: ") + SDL_GetError(), window);
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
    return 1;
  }
  placeWindow(window, plan);
  SDL_SetRenderVSync(renderer, 1);
  log.line(std::string("renderer: ") + SDL_GetRendererName(renderer));

  std::string discProblem;
  const DiscTextures textures = readDiscTextures(args.iso, discProblem);
  if (!discProblem.empty()) log.line("disc textures: " + discProblem + "; plain colours instead");
  log.line("textures: " + std::to_string(textures.arenas.size()) + " arenas, " +
           std::to_string(textures.cars.size()) + " cars");
  Scene scene;
  scene.load(renderer, textures);

  std::string endReason;
  double nextCapture = 1.0;
  int captures = 0;
  while (endReason.empty()) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      if (event.type == SDL_EVENT_QUIT || event.type == SDL_EVENT_WINDOW_CLOSE_REQUESTED) {
        endReason = "the window was closed";
      } else if (event.type == SDL_EVENT_KEY_DOWN && event.key.key == SDLK_ESCAPE) {
        endReason = "Escape was pressed";
      } else if (event.type == SDL_EVENT_KEY_DOWN && event.key.key == SDLK_F2 &&
                 plan.mode == "windowed") {
        log.line(nextWindowSize(window, scf::utf8String(user / "video.ini")));
      }
    }
    if (gTerminate) endReason = "asked to close (SIGTERM)";
    const double seconds = double(SDL_GetTicksNS() - started) / 1e9;

    int width = 0;
    int height = 0;
    SDL_GetRenderOutputSize(renderer, &width, &height);
    scene.draw(renderer, seconds, width, height);

    const bool crashing = crashAfter >= 0 && seconds >= crashAfter;
    if (!captureDir.empty() && (seconds >= nextCapture || crashing) && captures < 50) {
      std::error_code error;
      fs::create_directories(scf::utf8Path(captureDir), error);
      char name[32];
      std::snprintf(name, sizeof name, "capture-%03d.png", ++captures);
      const std::string path = scf::utf8String(scf::utf8Path(captureDir) / name);
      log.line((capture(renderer, path) ? "captured " : "could not capture ") + path);
      nextCapture = seconds + 5.0;
    }
    if (crashing) {
      const std::string report =
          writeCrashReport(scf::utf8String(user / "crashes"), seconds, args.elf, args.iso);
      log.line("test crash: " + (report.empty() ? "the report could not be written" : report));
      showDialog(dialogs, "Scrapfury stopped. A crash report was written to " + report, window);
      crashNow();
    }
    SDL_RenderPresent(renderer);
    SDL_Delay(16);
  }

  log.line("ending: " + endReason);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  log.line("exit code 0");
  return 0;
}

}  // namespace

}  // namespace scf_demo

int main(int argc, char** argv) {
  // A path the system cannot spell throws from std::filesystem; the game then ends with a
  // sentence and a failing code rather than an abort that would look like a crash.
  try {
    return scf_demo::run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "Scrapfury stopped: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "Scrapfury stopped on an unknown error\n");
  }
  return 1;
}
