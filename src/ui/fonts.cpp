#include "ui/fonts.h"

#include <cstdio>
#include <cstring>

#include "app/window.h"
#include "imgui.h"
#include "ui/font_file.h"

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
  // A file that cannot be read or is not a whole font leaves monoFont unset.
  const std::vector<unsigned char> fixedWidth =
      fixedWidthPath.empty() ? std::vector<unsigned char>() : readFontFile(fixedWidthPath);
  if (!fixedWidth.empty()) {
    ImFontConfig config;
    std::snprintf(config.Name, sizeof(config.Name), "%s", "Fixed width");
    // Handed to the atlas, which frees it with the font (or at once when the font is refused).
    void* data = ImGui::MemAlloc(fixedWidth.size());
    std::memcpy(data, fixedWidth.data(), fixedWidth.size());
    monoFont = atlas->AddFontFromMemoryTTF(data, static_cast<int>(fixedWidth.size()),
                                           16.0f * uiScale, &config);
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
