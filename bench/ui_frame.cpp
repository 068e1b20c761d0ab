// CPU time of one launcher frame without GPU work: NewFrame, the background, the main window and
// Render into draw lists, on a GUI context without a window. Prints the median over 1,000 frames
// (after a warm-up that fills the font atlas) with the frame's vertex count, for the welcome,
// missing-files and main-tab screens with the what's-new dialog open.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "ui/headless_textures.h"
#include "ui/look_and_feel.h"
#include "ui/main_window.h"
#include "ui/widgets/background.h"

namespace {

constexpr int kFrames = 1000;
constexpr int kWarmUp = 30;

double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

int frame(scf::App& app, double time) {
  ImGui::GetIO().DeltaTime = 1.0f / 60.0f;
  ImGui::NewFrame();
  scf::drawBackground(time, app.settings.motion);
  scf::drawMainWindow(app);
  ImGui::Render();
  scf::acceptTextureRequests();
  return ImGui::GetDrawData()->TotalVtxCount;
}

void measure(const char* name, scf::App& app) {
  int vertices = 0;
  for (int i = 0; i < kWarmUp; ++i)
    vertices = frame(app, i / 60.0);
  std::vector<double> times;
  times.reserve(kFrames);
  for (int i = 0; i < kFrames; ++i) {
    const double start = cpuSeconds();
    vertices = frame(app, (kWarmUp + i) / 60.0);
    times.push_back(cpuSeconds() - start);
  }
  std::sort(times.begin(), times.end());
  std::printf("%-34s median %.3f ms  p90 %.3f ms  max %.3f ms  %d vertices\n", name,
              times[kFrames / 2] * 1e3, times[kFrames * 9 / 10] * 1e3, times.back() * 1e3,
              vertices);
}

}  // namespace

int main() {
  scf::uiScale = 1.0f;
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.DisplaySize = ImVec2(1120.0f, 760.0f);
  io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
  ImGui::StyleColorsDark();
  scf::applyLookAndFeel();

  scf::App app;
  app.identity.displayVersion = "0.8.0";
  app.identity.changelogText =
      "### Added\n- Enhanced textures, made on your PC.\n- **French** interface.\n"
      "  Chosen from the desktop's language.\n\n### Fixed\n- Crash reports are found again.\n";

  std::printf("UI frame, 1120 × 760 at scale 1, %d frames (target: median under 0.5 ms)\n",
              kFrames);
  app.screen = scf::kScreenWelcome;
  measure("welcome", app);
  app.screen = scf::kScreenMissingFiles;
  app.missingItem = "kit/";
  measure("missing files", app);
  app.screen = scf::kScreenMain;
  app.currentTab = scf::kTabSettings;
  measure("main tabs", app);
  app.showWhatsNew = true;
  measure("main tabs + what's new", app);
  app.settings.motion = false;
  measure("main tabs + what's new, still", app);

  ImGui::DestroyContext();
  return 0;
}
