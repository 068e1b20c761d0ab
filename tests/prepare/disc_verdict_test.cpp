// The disc check's verdict from what the kit printed, as a table.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "prepare/disc_check.h"
#include "release/tr.h"

namespace scf {
namespace {

constexpr const char* kNotDisc = "This file is not a PS2 disc image.";
constexpr const char* kOtherGame = "This disc image is another game.";
constexpr const char* kEuropean =
    "This is the European disc. Only the USA disc (SXUS-90210) is supported.";
constexpr const char* kDamaged =
    "This copy differs from the USA disc: modified or damaged. Make a fresh copy of your disc.";
constexpr const char* kGone = "This file is no longer there.";

TEST(DiscVerdict, KitOutputTable) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    int exitCode;
    bool accepted;
    const char* reason;
    const char* verdict;  // empty when accepted
  };
  const Case cases[] = {
      {"accepted", {"INFO reading", "OK Scrapfury (USA)"}, 0, true, "", ""},
      {"OK alone is enough", {"OK"}, 0, true, "", ""},
      {"INFO then ERROR verify naming boots",
       {"INFO reading the disc", "ERROR verify it boots SLUS_123.45, not SXUS_902.10"},
       1,
       false,
       "it boots SLUS_123.45, not SXUS_902.10",
       kOtherGame},
      {"OK with exit code 2 and nothing else", {"OK"}, 2, false, "", kNotDisc},
      {"OK with exit code 2 and a plain line",
       {"OK", "broken pipe"},
       2,
       false,
       "broken pipe",
       kNotDisc},
      {"two ERROR verify lines: the later wins",
       {"ERROR verify the SHA-1 differs", "ERROR verify a European disc"},
       1,
       false,
       "a European disc",
       kEuropean},
      {"a plain line before ERROR verify is replaced",
       {"Traceback", "ERROR verify the SHA-1 differs"},
       1,
       false,
       "the SHA-1 differs",
       kDamaged},
      {"a plain line after ERROR verify is ignored",
       {"ERROR verify the SHA-1 differs", "Traceback"},
       1,
       false,
       "the SHA-1 differs",
       kDamaged},
      {"the first plain line is kept", {"first", "second"}, 1, false, "first", kNotDisc},
      {"European and SHA-1: the first row wins",
       {"ERROR verify European disc, SHA-1 differs"},
       1,
       false,
       "European disc, SHA-1 differs",
       kEuropean},
      {"case as written",
       {"ERROR verify european, sha-1, Boots"},
       1,
       false,
       "european, sha-1, Boots",
       kNotDisc},
      {"does not exist",
       {"ERROR verify the file /x.iso does not exist"},
       1,
       false,
       "the file /x.iso does not exist",
       kGone},
      {"INF is no INFO line", {"INF", "later"}, 1, false, "INF", kNotDisc},
      {"INFO lines are never the reason",
       {"INFO", "INFOrmation", "INFO x"},
       1,
       false,
       "",
       kNotDisc},
      {"empty lines are never the reason",
       {"", "", "real reason"},
       1,
       false,
       "real reason",
       kNotDisc},
      {"ERROR verify with nothing after it is a plain line",
       {"ERROR verify"},
       1,
       false,
       "ERROR verify",
       kNotDisc},
      {"no output", {}, 1, false, "", kNotDisc},
      {"an O alone is no OK line", {"O"}, 0, false, "O", kNotDisc},
  };
  const bool saved = uiFrench;
  uiFrench = false;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DiscCheckAnswer answer = readDiscCheckOutput(c.lines, c.exitCode);
    EXPECT_EQ(answer.accepted, c.accepted);
    EXPECT_EQ(answer.reason, c.reason);
    if (!c.accepted) EXPECT_EQ(discRefusalVerdict(answer.reason), c.verdict);
  }
  uiFrench = saved;
}

TEST(DiscVerdict, FrenchTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {"a European disc",
       "C'est le disque européen. Seul le disque américain (SXUS-90210) est pris en charge."},
      {"it boots something else", "Cette image disque est un autre jeu."},
      {"SHA-1 differs",
       "Cette copie diffère du disque américain : modifiée ou abîmée. Refaites une copie de votre "
       "disque."},
      {"", "Ce fichier n'est pas une image disque PS2."},
      {"x does not exist", "Ce fichier n'existe plus."},
  };
  const bool saved = uiFrench;
  uiFrench = true;
  for (const auto& [reason, verdict] : cases)
    EXPECT_EQ(discRefusalVerdict(reason), verdict) << reason;
  uiFrench = saved;
}

}  // namespace
}  // namespace scf
