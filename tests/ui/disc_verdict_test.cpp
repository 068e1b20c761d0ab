// The refused disc's box: the sentence in the language current when drawn, the file it refused,
// and the kit's own words only where the sentence does not already say them.
#include "ui/screens/disc_verdict.h"

#include <gtest/gtest.h>

#include "prepare/disc_check.h"
#include "screen_fixture.h"

namespace scf {
namespace {

using DiscVerdictBox = ScreenTest;

TEST_F(DiscVerdictBox, NamesTheFileAndFollowsTheLanguage) {
  DiscCheck& check = app.discCheck;
  check.checkedImage = dir / "discs/Scrapfury (Europe).iso";
  check.discDetail = "verify it boots SXES_902.10, a European disc";
  check.verdictKind = DiscCheck::Verdict::refused;
  check.discVerdict = discRefusalVerdict(check.discDetail);
  auto runs = draw([&] { drawDiscVerdict(app, kContentWidth); });
  EXPECT_TRUE(exactRun(runs,
                       "This is the European disc. Only the USA disc (SXUS-90210) is "
                       "supported."))
      << joined(runs);
  EXPECT_TRUE(exactRun(runs, "Scrapfury (Europe).iso")) << joined(runs);
  EXPECT_FALSE(findRun(runs, "SXES_902.10")) << "the disc's number written one way only";

  uiFrench = true;
  runs = draw([&] { drawDiscVerdict(app, kContentWidth); });
  EXPECT_TRUE(findRun(runs, "C'est le disque européen.")) << joined(runs);
}

TEST_F(DiscVerdictBox, AGenericSentenceKeepsTheKitsWords) {
  DiscCheck& check = app.discCheck;
  check.checkedImage = dir / "discs/notes.iso";
  check.discDetail = "no ISO 9660 volume descriptor";
  check.verdictKind = DiscCheck::Verdict::refused;
  check.discVerdict = discRefusalVerdict(check.discDetail);
  const auto runs = draw([&] { drawDiscVerdict(app, kContentWidth); });
  EXPECT_TRUE(exactRun(runs, "This file is not a PS2 disc image.")) << joined(runs);
  EXPECT_TRUE(exactRun(runs, "notes.iso")) << joined(runs);
  EXPECT_TRUE(findRun(runs, "no ISO 9660 volume descriptor")) << joined(runs);
}

}  // namespace
}  // namespace scf
