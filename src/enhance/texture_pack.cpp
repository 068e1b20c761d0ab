#include "enhance/texture_pack.h"

#include <filesystem>
#include <system_error>

#include "app/app.h"
#include "app/settings_store.h"
#include "enhance/enhance_run.h"
#include "platform/utf8_path.h"

namespace scf {
namespace {

constexpr const char* kPackKey = "texture_pack";

}  // namespace

void countEnhancedTextures(App& app) {
  app.enhance.textureCount = countPackTextures(texturePackFolder(app.layout));
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

bool texturePackOn(const App& app) {
  const auto entry = app.video.extras.find(kPackKey);
  return entry == app.video.extras.end() || entry->second != "off";
}

void setTexturePackOn(App& app, bool on) {
  if (on) {
    app.video.extras.erase(kPackKey);
  } else {
    app.video.extras[kPackKey] = "off";
  }
  storeVideoSettings(app, app.video);
  app.video.loaded = true;
}

}  // namespace scf
