// Texts kept to be shown later follow the language current when they are drawn.
#include <gtest/gtest.h>

#include <string>

#include "release/tr.h"

namespace scf {
namespace {

// A text kept from earlier is said again in the language current when it is drawn.
TEST(SayNow, KeptTextsFollowTheLanguageAndOtherTextsStayAsTheyAre) {
  const TextPair done = {"Done. The game uses them.", "Terminé. Le jeu les utilisera."};
  const TextPair ended = {"It stopped (exit code ", "Arrêt (code "};
  struct Case {
    std::string kept;
    bool french;
    std::string said;
  };
  const Case cases[] = {
      {"Done. The game uses them.", true, "Terminé. Le jeu les utilisera."},
      {"Terminé. Le jeu les utilisera.", false, "Done. The game uses them."},
      {"It stopped (exit code 3).", true, "Arrêt (code 3)."},
      {"Arrêt (code 3).", false, "It stopped (exit code 3)."},
      {"the disc data is damaged", true, "the disc data is damaged"},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    uiFrench = c.french;
    EXPECT_EQ(sayNow(c.kept, {done, ended}), c.said) << c.kept;
  }
  uiFrench = false;
}

}  // namespace
}  // namespace scf
