#include "ui/disc_verdict.h"

#include "app/app.h"
#include "ui/gap.h"
#include "ui/notice_box.h"
#include "ui/palette.h"

namespace scf {

void drawDiscVerdict(const App& app, float contentWidth) {
  const DiscCheck& check = app.discCheck;
  if (check.discVerdict.empty() || check.discChecking) return;
  gap(6.0f);
  noticeBox(check.discVerdict.c_str(), check.discDetail.c_str(), colBad, contentWidth);
}

}  // namespace scf
