#include "release/release_identity.h"

#include <filesystem>

#include "platform/build_info.h"
#include "platform/utf8_path.h"
#include "release/changelog.h"
#include "release/ini_file.h"
#include "release/release_layout.h"

namespace scf {

void readReleaseIdentity(const ReleaseLayout& layout, ReleaseIdentity& identity) {
  identity.releaseCommit = iniValue(layout.releaseIni, "commit");
  identity.releaseVersion = iniValue(layout.releaseIni, "version");
  if (identity.releaseCommit.empty()) identity.releaseCommit = kSourceCommit;
  identity.builtFromCommit = iniValue(layout.builtFromIni, "commit");
  identity.displayVersion =
      identity.releaseVersion.empty() ? std::string(kLauncherVersion) : identity.releaseVersion;
  const std::filesystem::path release = utf8Path(layout.releaseDir);
  identity.changelogText =
      changelogSection(utf8String(release / "CHANGELOG.md"), identity.displayVersion);
  if (identity.changelogText.empty()) {
    identity.changelogText =
        changelogSection(utf8String(release / "source" / "CHANGELOG.md"), identity.displayVersion);
  }
}

}  // namespace scf
