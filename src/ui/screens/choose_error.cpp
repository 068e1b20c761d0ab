#include "ui/screens/choose_error.h"

#include "app/app.h"
#include "prepare/disc_choose.h"
#include "ui/palette.h"
#include "ui/widgets/text.h"

namespace scf {

void drawChooseError(const App& app) {
  if (app.discCheck.chooseError.empty()) return;
  const std::string text =
      sayNow(app.discCheck.chooseError, {kNoFileDialogText, kDialogAlreadyOpenText});
  paragraph(text.c_str(), 17.0f, colWarn);
}

}  // namespace scf
