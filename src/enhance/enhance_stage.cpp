#include "enhance/enhance_stage.h"

#include "enhance/enhance_run.h"
#include "release/tr.h"

namespace scf {

const char* enhanceStageText(const EnhanceRun& run) {
  if (run.removing) return tr("Removing…", "Suppression…");
  if (run.stage == "dump") {
    return tr("Reading the textures of every arena and car…",
              "Lecture des textures de chaque arène et véhicule…");
  }
  if (run.stage == "upscale")
    return tr("Upscaling with Real-ESRGAN…", "Agrandissement avec Real-ESRGAN…");
  if (run.stage == "finish") return tr("Writing the textures…", "Écriture des textures…");
  return tr("Preparing…", "Préparation…");
}

}  // namespace scf
