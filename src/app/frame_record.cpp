#include "app/frame_record.h"

#include <cstring>

#include "imgui.h"

namespace scf {

namespace {

template <typename T>
void append(std::vector<unsigned char>& out, const T* items, int count) {
  if (count <= 0) return;
  const auto* bytes = reinterpret_cast<const unsigned char*>(items);
  out.insert(out.end(), bytes, bytes + sizeof(T) * static_cast<std::size_t>(count));
}

bool texturesPending(const ImDrawData* data) {
  if (data->Textures == nullptr) return false;
  for (const ImTextureData* texture : *data->Textures) {
    if (texture->Status != ImTextureStatus_OK) return true;
  }
  return false;
}

}  // namespace

bool FrameRecord::differs(const ImDrawData* data) {
  next_.clear();
  if (data != nullptr) {
    append(next_, &data->DisplaySize, 1);
    append(next_, &data->FramebufferScale, 1);
    for (const ImDrawList* list : data->CmdLists) {
      // Draw commands are zero-filled when made, so their padding compares equal too.
      append(next_, list->CmdBuffer.Data, list->CmdBuffer.Size);
      append(next_, list->IdxBuffer.Data, list->IdxBuffer.Size);
      append(next_, list->VtxBuffer.Data, list->VtxBuffer.Size);
    }
  }
  const bool same = data != nullptr && !texturesPending(data) && next_.size() == recorded_.size() &&
                    std::memcmp(next_.data(), recorded_.data(), next_.size()) == 0;
  recorded_.swap(next_);
  return !same;
}

void FrameRecord::clear() {
  recorded_.clear();
  // An empty record never equals a frame: even an empty frame records its display size.
}

}  // namespace scf
