#include "ui/screens/video_section.h"

#include <cstdio>

#include "app/app.h"
#include "app/settings_store.h"
#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/fonts.h"
#include "ui/layout_record.h"
#include "ui/palette.h"
#include "ui/screens/resolution_choices.h"
#include "ui/widget_trace.h"
#include "ui/widgets/focus_ring.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/pill.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

struct WindowMode {
  const char* value;  // as video.ini stores it
  const char* english;
  const char* french;
};

constexpr WindowMode kWindowModes[] = {
    {"windowed", "Windowed", "Fenêtré"},
    {"fullscreen", "Full screen", "Plein écran"},
    {"borderless", "Borderless window", "Fenêtre sans bordure"},
};

// The game's own size when video.ini names none.
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 448;

// True when a pill was clicked.
bool drawModePills(VideoSettings& video) {
  bool changed = false;
  int index = 0;
  for (const WindowMode& mode : kWindowModes) {
    if (index > 0) ImGui::SameLine(0.0f, 8.0f * uiScale);
    char id[96];
    std::snprintf(id, sizeof(id), "%s##mode%d", tr(mode.english, mode.french), index);
    if (pill(id, video.mode == mode.value, 18.0f)) {
      video.mode = mode.value;
      changed = true;
    }
    ++index;
  }
  return changed;
}

// True when an item was chosen.
bool drawSizeCombo(VideoSettings& video, int monitorWidth, int monitorHeight) {
  const char* defaultText = tr("Game default (640 × 448)", "Par défaut (640 × 448)");
  char preview[64];
  if (video.width == 0) {
    std::snprintf(preview, sizeof(preview), "%s", defaultText);
  } else {
    std::snprintf(preview, sizeof(preview), "%d × %d", video.width, video.height);
  }
  bool changed = false;
  ImGui::PushFont(textFont(), 18.0f * uiScale);
  ImGui::SetNextItemWidth(320.0f * uiScale);
  // Tall enough for every size at once: the list never needs scrolling.
  const bool open = ImGui::BeginCombo("##resolution", preview, ImGuiComboFlags_HeightLarge);
  // While open, the last item is the list's window, not the box.
  if (!open) {
    recordLayout(preview, ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
    focusRingOnLastItem(ImGui::GetStyle().FrameRounding);
    traceItem("Resolution##resolution", false);
  }
  if (open) {
    if (ImGui::Selectable(defaultText, video.width == 0)) {
      video.width = 0;
      video.height = 0;
      changed = true;
    }
    for (const Resolution& size : resolutionChoices(monitorWidth, monitorHeight)) {
      char item[64];
      std::snprintf(item, sizeof(item), "%d × %d", size.first, size.second);
      if (ImGui::Selectable(item, size.first == video.width && size.second == video.height)) {
        video.width = size.first;
        video.height = size.second;
        changed = true;
      }
    }
    ImGui::EndCombo();
  }
  ImGui::PopFont();
  return changed;
}

}  // namespace

void saveVideoSettings(App& app) {
  VideoSettings copy = app.video;
  if (copy.width == 0) {
    copy.width = kDefaultWidth;
    copy.height = kDefaultHeight;
  }
  storeVideoSettings(app, copy);
  app.video.loaded = true;
  app.videoSaved = true;
}

void drawVideoSection(App& app, int monitorWidth, int monitorHeight) {
  VideoSettings& video = app.video;
  label(tr("Window", "Fenêtre"), 17.0f, colLabel);
  bool changed = drawModePills(video);

  gap(6.0f);
  label(tr("Resolution", "Résolution"), 17.0f, colLabel);
  if (video.mode == "borderless") {
    label(tr("The monitor's own size.", "La taille de l'écran."), 18.0f, colMuted);
  } else {
    changed = drawSizeCombo(video, monitorWidth, monitorHeight) || changed;
  }

  if (changed) saveVideoSettings(app);
  if (app.videoSaved) {
    label(tr("Saved. The game uses it the next time it starts.",
             "Enregistré. Le jeu l'utilisera au prochain démarrage."),
          16.0f, colGood);
  }
}

}  // namespace scf
