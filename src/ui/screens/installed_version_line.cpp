#include "ui/screens/installed_version_line.h"

#include "platform/build_info.h"
#include "release/tr.h"

namespace scf {

std::string installedVersionLine(const UpdateCheckView& check) {
  std::string line = tr("This is version ", "Version installée : ");
  line += kLauncherVersion;
  line += ".";
  switch (check.state) {
    case kUpdateChecking:
      line += tr(" Checking…", " Vérification…");
      break;
    case kUpdateUpToDate:
      line += tr(" It is the latest.", " C'est la plus récente.");
      break;
    case kUpdateAvailable:
      line += tr(" Version ", " La version ");
      line += check.latestVersion;
      line += tr(" is available (Play tab).", " est disponible (onglet Jouer).");
      break;
    case kUpdateFailed:
      // The automatic check at start fails silently (no network is no news); a manual one says
      // so below the row (updateFailureLine).
      break;
    default:
      break;
  }
  return line;
}

std::string updateFailureLine(const UpdateCheckView& check) {
  if (check.state != kUpdateFailed || !check.manual) return {};
  return tr("Could not reach the update server.",
            "Impossible de joindre le serveur de mises à jour.");
}

}  // namespace scf
