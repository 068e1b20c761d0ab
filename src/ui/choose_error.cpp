#include "ui/choose_error.h"

#include "app/app.h"
#include "ui/palette.h"
#include "ui/text.h"

namespace scf {

void drawChooseError(const App& app) {
  if (app.discCheck.chooseError.empty()) return;
  paragraph(app.discCheck.chooseError.c_str(), 17.0f, colWarn);
}

}  // namespace scf
