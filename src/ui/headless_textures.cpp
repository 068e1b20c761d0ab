#include "ui/headless_textures.h"

#include "imgui.h"

namespace scf {

void acceptTextureRequests() {
  for (ImTextureData* texture : ImGui::GetPlatformIO().Textures) {
    if (texture->Status == ImTextureStatus_WantCreate ||
        texture->Status == ImTextureStatus_WantUpdates) {
      texture->SetTexID(static_cast<ImTextureID>(texture->UniqueID) + 1);
      texture->SetStatus(ImTextureStatus_OK);
    } else if (texture->Status == ImTextureStatus_WantDestroy) {
      texture->SetTexID(ImTextureID_Invalid);
      texture->SetStatus(ImTextureStatus_Destroyed);
    }
  }
}

}  // namespace scf
