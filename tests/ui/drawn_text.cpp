#include "drawn_text.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "imgui_internal.h"

namespace scf {
namespace {

struct GlyphInfo {
  unsigned codepoint = 0;
  float x0 = 0;  // offset of the quad from the pen, at the baked size
  float y0 = 0;
  float width = 0;    // quad width at the baked size
  float advance = 0;  // pen advance at the baked size
  float size = 0;     // the baked size
};

using GlyphKey = std::pair<float, float>;

// Every visible glyph of every baked size, by the top-left texture coordinate of its quad.
std::map<GlyphKey, GlyphInfo> bakedGlyphs() {
  std::map<GlyphKey, GlyphInfo> glyphs;
  ImFontAtlas* atlas = ImGui::GetIO().Fonts;
  if (atlas == nullptr || atlas->Builder == nullptr) return glyphs;
  const auto& pool = atlas->Builder->BakedPool;
  for (int i = 0; i < pool.Size; ++i) {
    const ImFontBaked& baked = pool[i];
    for (const ImFontGlyph& glyph : baked.Glyphs) {
      if (!glyph.Visible) continue;
      glyphs[{glyph.U0, glyph.V0}] = {glyph.Codepoint,     glyph.X0,       glyph.Y0,
                                      glyph.X1 - glyph.X0, glyph.AdvanceX, baked.Size};
    }
  }
  return glyphs;
}

void appendUtf8(std::string& out, unsigned c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::vector<DrawnRun> drawnRuns(const ImDrawList* drawList) {
  std::vector<DrawnRun> runs;
  const std::map<GlyphKey, GlyphInfo> glyphs = bakedGlyphs();
  const ImVector<ImDrawVert>& v = drawList->VtxBuffer;

  float penEnd = 0;  // where the pen stood after the run's last glyph
  float penY = 0;    // the pen's y at the run's last glyph
  float lastSize = 0;
  for (int i = 0; i + 3 < v.Size; ++i) {
    const auto found = glyphs.find({v[i].uv.x, v[i].uv.y});
    if (found == glyphs.end()) continue;
    const GlyphInfo& glyph = found->second;
    // A glyph quad is top-left, top-right, bottom-right, bottom-left, one colour.
    const ImDrawVert& bottomRight = v[i + 2];
    if (v[i + 1].pos.y != v[i].pos.y || bottomRight.pos.x != v[i + 1].pos.x ||
        v[i + 3].pos.x != v[i].pos.x || v[i + 1].col != v[i].col || glyph.width <= 0.0f) {
      continue;
    }
    const float scale = (bottomRight.pos.x - v[i].pos.x) / glyph.width;
    const float pen = v[i].pos.x - glyph.x0 * scale;
    const float size = glyph.size * scale;
    const float y = v[i].pos.y - glyph.y0 * scale;

    const bool sameLine = !runs.empty() && runs.back().colour == v[i].col &&
                          std::abs(size - lastSize) < 0.05f * size && std::abs(y - penY) < 0.5f;
    // A glyph may start a little before the previous pen end (kerning), never far before it.
    const bool continues = sameLine && pen > penEnd - size * 0.3f && pen < penEnd + size * 2.0f;
    if (!continues) {
      runs.push_back({"", v[i].pos, bottomRight.pos, v[i].col});
    } else if (pen > penEnd + std::max(1.5f, size * 0.1f)) {
      runs.back().text += ' ';
    }
    DrawnRun& run = runs.back();
    appendUtf8(run.text, glyph.codepoint);
    run.min = ImMin(run.min, v[i].pos);
    run.max = ImMax(run.max, bottomRight.pos);
    penEnd = pen + glyph.advance * scale;
    penY = y;
    lastSize = size;
    i += 3;
  }
  return runs;
}

std::string drawnText(const ImDrawList* drawList) {
  std::string text;
  for (const DrawnRun& run : drawnRuns(drawList)) {
    text += run.text;
    text += '\n';
  }
  return text;
}

const DrawnRun* findRun(const std::vector<DrawnRun>& runs, const std::string& text) {
  for (const DrawnRun& run : runs) {
    if (run.text.find(text) != std::string::npos) return &run;
  }
  return nullptr;
}

}  // namespace scf
