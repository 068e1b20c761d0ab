#include "ui/fonts.h"

#include <cstdio>

#include "app/window.h"
#include "imgui.h"

extern "C" const unsigned char scf_resource_exo2_begin[], scf_resource_exo2_end[];

namespace scf {

ImFont* uiFont = nullptr;
ImFont* monoFont = nullptr;

std::size_t exo2ResourceSize() {
  return static_cast<std::size_t>(scf_resource_exo2_end - scf_resource_exo2_begin);
}

void loadFonts(const std::string& fixedWidthPath) {
  ImFontAtlas* atlas = ImGui::GetIO().Fonts;
  uiFont = nullptr;
  monoFont = nullptr;

  // No glyph ranges: the atlas adds accented letters and typographic marks when first drawn.
  if (exo2ResourceSize() > 0) {
    ImFontConfig config;
    config.FontDataOwnedByAtlas = false;
    std::snprintf(config.Name, sizeof(config.Name), "%s", "Exo 2");
    uiFont =
        atlas->AddFontFromMemoryTTF(const_cast<unsigned char*>(scf_resource_exo2_begin),
                                    static_cast<int>(exo2ResourceSize()), 20.0f * uiScale, &config);
  }
  if (!fixedWidthPath.empty()) {
    ImFontConfig config;
    std::snprintf(config.Name, sizeof(config.Name), "%s", "Fixed width");
    monoFont = atlas->AddFontFromFileTTF(fixedWidthPath.c_str(), 16.0f * uiScale, &config);
  }

  if (uiFont == nullptr && atlas->Fonts.Size > 0) uiFont = atlas->Fonts[0];
  // Without any usable face the GUI's built-in one keeps every text readable.
  if (uiFont == nullptr) uiFont = atlas->AddFontDefault();
  if (monoFont == nullptr) monoFont = uiFont;
  ImGui::GetIO().FontDefault = uiFont;
}

ImFont* textFont() {
  return uiFont != nullptr ? uiFont : ImGui::GetFont();
}

}  // namespace scf
