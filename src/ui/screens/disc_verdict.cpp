#include "ui/screens/disc_verdict.h"

#include "app/app.h"
#include "prepare/disc_check.h"
#include "ui/palette.h"
#include "ui/widgets/file_name.h"
#include "ui/widgets/gap.h"
#include "ui/widgets/notice_box.h"

namespace scf {

void drawDiscVerdict(const App& app, float contentWidth) {
  const DiscCheck& check = app.discCheck;
  if (check.discVerdict.empty() || check.discChecking) return;
  // The box names the file it refused; the kit's own words follow only where the sentence does
  // not already say what they say (they spell the disc's number another way).
  std::string detail = check.checkedImage.empty() ? std::string() : fileNameOf(check.checkedImage);
  const bool explained =
      check.verdictKind == DiscCheck::Verdict::tooSlow ||
      (check.verdictKind == DiscCheck::Verdict::refused && discRefusalExplained(check.discDetail));
  if (!explained && !check.discDetail.empty()) {
    detail += (detail.empty() ? "" : "\n") + check.discDetail;
  }
  gap(6.0f);
  noticeBox(discVerdictText(check).c_str(), detail.c_str(), colBad, contentWidth);
}

}  // namespace scf
