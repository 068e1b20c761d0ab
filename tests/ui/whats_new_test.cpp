#include "ui/dialogs/whats_new.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "app/window.h"
#include "headless_gui.h"
#include "ui/palette.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

struct Drawn {
  std::vector<ImDrawVert> vertices;
  float cursorY = 0.0f;
};

// What body adds to the window's draw list from the same start, and where it leaves the cursor.
Drawn drawnBy(HeadlessGui& gui, const std::function<void()>& body) {
  Drawn drawn;
  gui.frame([&] {
    ImGui::SetCursorPos(ImVec2(30.0f, 40.0f));
    ImGui::PushTextWrapPos(600.0f);
    drawn.vertices = verticesAddedBy(ImGui::GetWindowDrawList(), body);
    ImGui::PopTextWrapPos();
    drawn.cursorY = ImGui::GetCursorPosY();
  });
  return drawn;
}

bool sameVertices(const std::vector<ImDrawVert>& a, const std::vector<ImDrawVert>& b) {
  if (a.size() != b.size()) return false;
  return a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(ImDrawVert)) == 0;
}

// One drawn piece of the notes: a 4-point gap, a violet sub-heading or a paragraph.
struct Piece {
  enum Kind { gap, subheading, text } kind;
  const char* shown;
};

void drawPieces(const std::vector<Piece>& pieces) {
  for (const Piece& piece : pieces) {
    switch (piece.kind) {
      case Piece::gap:
        ImGui::Dummy(ImVec2(0.0f, 4.0f * uiScale));
        break;
      case Piece::subheading:
        label(piece.shown, 19.0f, colViolet);
        break;
      case Piece::text:
        paragraph(piece.shown, 17.0f, colText);
        break;
    }
  }
}

class NotesLayout : public testing::TestWithParam<float> {};

TEST_P(NotesLayout, DrawsHeadingsBulletsAndParagraphsWithoutMarks) {
  struct Case {
    const char* changelog;
    std::vector<Piece> pieces;
  };
  const Case cases[] = {
      {"- a **bold** word and [a link](https://x.example/a)\n  joined here\n### Fixed",
       {{Piece::text, "• a bold word and a link joined here"},
        {Piece::gap, ""},
        {Piece::subheading, "Fixed"}}},
      {"### `Added` [now](u)\n",
       {{Piece::gap, ""}, {Piece::subheading, "Added now"}, {Piece::gap, ""}}},
      {"###", {{Piece::text, "###"}}},
      {"### ", {{Piece::gap, ""}, {Piece::subheading, ""}}},
      {"-no bullet\n- `code`", {{Piece::text, "-no bullet"}, {Piece::text, "• code"}}},
      {"one\n\n   \ntwo",
       {{Piece::text, "one"}, {Piece::gap, ""}, {Piece::gap, ""}, {Piece::text, "two"}}},
      {"  kept indented", {{Piece::text, "  kept indented"}}},
      {"", {{Piece::gap, ""}}},
  };
  HeadlessGui gui(GetParam());
  gui.sharpEdges();
  for (const Case& c : cases) {
    // A first frame bakes every glyph, so both drawings below see the same atlas.
    drawnBy(gui, [&] { drawNotes(c.changelog); });
    drawnBy(gui, [&] { drawPieces(c.pieces); });
    const Drawn notes = drawnBy(gui, [&] { drawNotes(c.changelog); });
    const Drawn expected = drawnBy(gui, [&] { drawPieces(c.pieces); });
    EXPECT_TRUE(sameVertices(notes.vertices, expected.vertices)) << '"' << c.changelog << '"';
    EXPECT_FLOAT_EQ(notes.cursorY, expected.cursorY) << '"' << c.changelog << '"';
  }
  EXPECT_TRUE(gui.errors().empty()) << gui.errors().front();
}

INSTANTIATE_TEST_SUITE_P(Scales, NotesLayout, testing::Values(1.0f, 2.0f));

}  // namespace
}  // namespace scf
