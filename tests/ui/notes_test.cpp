#include "ui/dialogs/notes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace scf {
namespace {

TEST(StripInline, DropsMarksAndKeepsLinkText) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"plain text", "plain text"},
      {"run `scf --play` now", "run scf --play now"},
      {"a **bold** word", "a bold word"},
      {"2 * 3 = 6", "2 * 3 = 6"},
      {"*lone* stars", "*lone* stars"},
      {"***", "*"},
      {"see [the guide](https://x.example/guide) first", "see the guide first"},
      {"[a](b)[c](d)", "ac"},
      {"an [unclosed bracket", "an [unclosed bracket"},
      {"[text] (not a link)", "[text] (not a link)"},
      {"[text](no closing", "[text](no closing"},
      {"[**bold link**](u)", "bold link"},
      {"[outer [inner](u) tail", "outer [inner tail"},
      {"", ""},
      {"Portlog › «é»", "Portlog › «é»"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(stripInline(c.in), c.out) << c.in;
}

TEST(NoteEntries, GathersContinuationsBlanksHeadingsAndBullets) {
  using Entries = std::vector<std::string>;
  struct Case {
    const char* text;
    Entries entries;
  };
  const Case cases[] = {
      {"", {""}},
      {"one line", {"one line"}},
      {"one line\n", {"one line", ""}},
      {"- first **bold** [link](u)\n  continues here\n### Fixed",
       {"- first **bold** [link](u) continues here", "### Fixed"}},
      {"- a\n    deeper\n  and more", {"- a deeper and more"}},
      {"para\n one space is a new entry", {"para", " one space is a new entry"}},
      {"\n  indented after a blank", {"", "  indented after a blank"}},
      {"x\n\n   \ny", {"x", "", "", "y"}},
      {"x\n   \n  y", {"x", "", "  y"}},
      {"windows\r\n  line ends\r\n", {"windows line ends", ""}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(gatherNoteEntries(c.text), c.entries) << c.text;
}

}  // namespace
}  // namespace scf
