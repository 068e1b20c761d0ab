#include "enhance/texture_pack.h"

#include <filesystem>
#include <system_error>

#include "enhance/enhance_run.h"
#include "platform/utf8_path.h"
#include "release/video_settings.h"

namespace scf {
namespace {

constexpr const char* kPackKey = "texture_pack";

}  // namespace

void EnhanceRun::countTextures(const ReleaseLayout& layout) {
  textureCount = countPackTextures(texturePackFolder(layout));
}

int countPackTextures(const std::string& folder) {
  int count = 0;
  std::error_code error;
  std::filesystem::directory_iterator entry(utf8Path(folder), error);
  const std::filesystem::directory_iterator end;
  while (!error && entry != end) {
    // Only the pack's own textures count, not the script's work files in subfolders.
    if (entry->path().extension() == ".png" && !entry->is_directory(error)) ++count;
    entry.increment(error);
  }
  return count;
}

bool texturePackOn(const VideoSettings& video) {
  const auto entry = video.extras.find(kPackKey);
  return entry == video.extras.end() || entry->second != "off";
}

void setTexturePack(VideoSettings& video, bool on) {
  if (on) {
    video.extras.erase(kPackKey);
  } else {
    video.extras[kPackKey] = "off";
  }
}

}  // namespace scf
