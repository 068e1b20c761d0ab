#include "ui/screens/missing_files.h"

#include <string>

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/palette.h"
#include "ui/widgets/text.h"

namespace scf {

void drawMissingFiles(App& app, float) {
  heading(tr("Some files are missing", "Des fichiers manquent"), colBad);
  ImGui::Dummy(ImVec2(0.0f, 4.0f * uiScale));
  std::string message;
  if (app.pythonMissing) {
    message =
        tr("Python 3 is not installed. Install your distribution's python3 package, then start the "
           "launcher again.",
           "Python 3 n'est pas installé. Installez le paquet python3 de votre distribution, puis "
           "relancez le lanceur.");
  } else {
    message = tr("The launcher did not find ", "Le lanceur ne trouve pas ");
    message += app.missingItem;
    message += tr(" next to it. Unzip the whole download again, keeping its folders together.",
                  " à côté de lui. Décompressez à nouveau tout le téléchargement, en gardant ses "
                  "dossiers ensemble.");
  }
  paragraph(message.c_str(), 19.0f, colText);
  label(app.layout.releaseDir.c_str(), 15.0f, colLabel);
}

}  // namespace scf
