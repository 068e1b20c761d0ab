#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "app/window.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "platform/fonts.h"
#include "support/test_support.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

TEST(WithAlpha, ClampsAndTruncatesTheAlphaByte) {
  struct Case {
    float alpha;
    unsigned expectedAlpha;
  };
  const Case cases[] = {
      {1.0f, 255},
      {0.0f, 0},
      {0.5f, 127},
      {0.999f, 254},
      {0.25f, 63},
      {1.7f, 255},
      {-0.3f, 0},
      {0.003f, 0},
      {std::numeric_limits<float>::quiet_NaN(), 0},
      {std::numeric_limits<float>::infinity(), 255},
  };
  for (const Case& c : cases) {
    const ImU32 packed = withAlpha(0x7EA6FF, c.alpha);
    EXPECT_EQ(packed, IM_COL32(0x7E, 0xA6, 0xFF, c.expectedAlpha)) << "alpha " << c.alpha;
  }
}

TEST(WithAlpha, KeepsTheChannelsInTheGuiOrder) {
  const ImVec4 colour = ImGui::ColorConvertU32ToFloat4(withAlpha(0x123456, 1.0f));
  EXPECT_FLOAT_EQ(colour.x, 0x12 / 255.0f);
  EXPECT_FLOAT_EQ(colour.y, 0x34 / 255.0f);
  EXPECT_FLOAT_EQ(colour.z, 0x56 / 255.0f);
}

class LookAndFeel : public ::testing::TestWithParam<float> {};

TEST_P(LookAndFeel, MeasureSpacedAddsSpacingBetweenCharactersOnly) {
  HeadlessGui gui(GetParam());
  gui.frame([] {
    const float s = uiScale;
    struct Case {
      const char* text;
      float spacing;
      float added;  // points
    };
    const Case cases[] = {
        {"W", 2.0f, 0.0f},      {"Scrap", 2.0f, 8.0f}, {"Scrap", 0.0f, 0.0f},
        {"Scrap", -3.0f, 0.0f}, {"", 5.0f, 0.0f},      {"é›·…", 1.0f, 3.0f},
    };
    for (const Case& c : cases) {
      const ImVec2 plain = textFont()->CalcTextSizeA(24.0f * s, FLT_MAX, 0.0f, c.text);
      const ImVec2 spaced = measureSpaced(c.text, 24.0f, c.spacing);
      EXPECT_FLOAT_EQ(spaced.x - plain.x, c.added * s) << '"' << c.text << "\" " << c.spacing;
      EXPECT_FLOAT_EQ(spaced.y, plain.y);
    }
    EXPECT_NEAR(measureSpaced("Scrapfury", 52.0f, 0.0f).y, 52.0f * s, 52.0f * s * 0.3f)
        << "the size in points is multiplied by the scale";
  });
  EXPECT_TRUE(gui.errors().empty());
}

TEST_P(LookAndFeel, Exo2IsTheDefaultFontAndMonoIsFixedWidth) {
  HeadlessGui gui(GetParam());
  ImFont* font = ImGui::GetIO().FontDefault;
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font, uiFont);
  ASSERT_EQ(font->Sources.Size, 1);
  EXPECT_STREQ(font->Sources[0]->Name, "Exo 2");
  EXPECT_EQ(static_cast<std::size_t>(font->Sources[0]->FontDataSize), exo2ResourceSize());
  EXPECT_GT(exo2ResourceSize(), 10000u);
  EXPECT_FLOAT_EQ(font->LegacySize, 20.0f * GetParam());

  gui.frame([] {
    EXPECT_EQ(ImGui::GetFont(), uiFont);
    EXPECT_FLOAT_EQ(ImGui::GetFontSize(), 20.0f * uiScale);
    // Exo 2 is proportional; the built-in face and a fixed-width one are not.
    const float narrow = uiFont->CalcTextSizeA(20.0f, FLT_MAX, 0.0f, "iiii").x;
    const float wide = uiFont->CalcTextSizeA(20.0f, FLT_MAX, 0.0f, "MMMM").x;
    EXPECT_LT(narrow * 2.0f, wide);
    if (monoFont != uiFont) {
      EXPECT_FLOAT_EQ(monoFont->CalcTextSizeA(16.0f, FLT_MAX, 0.0f, "iiii").x,
                      monoFont->CalcTextSizeA(16.0f, FLT_MAX, 0.0f, "MMMM").x);
    }
    // Accented letters and typographic marks enter the atlas when first drawn.
    ImFontBaked* baked = uiFont->GetFontBaked(20.0f * uiScale);
    for (ImWchar c : {ImWchar(0xE9), ImWchar(0x2026), ImWchar(0x203A), ImWchar(0x2014)}) {
      EXPECT_TRUE(uiFont->IsGlyphInFont(c)) << c;
      EXPECT_NE(baked->FindGlyphNoFallback(c), nullptr) << c;
    }
  });
}

TEST_P(LookAndFeel, StyleIsScaledAndNoFileIsEverWritten) {
  HeadlessGui gui(GetParam());
  const float s = GetParam();
  const ImGuiIO& io = ImGui::GetIO();
  EXPECT_EQ(io.IniFilename, nullptr);
  EXPECT_EQ(io.LogFilename, nullptr);
  EXPECT_TRUE(io.ConfigFlags & ImGuiConfigFlags_NavEnableKeyboard);
  const ImGuiStyle& style = ImGui::GetStyle();
  EXPECT_FLOAT_EQ(style.FontSizeBase, 20.0f * s);
  EXPECT_FLOAT_EQ(style.FramePadding.x, 14.0f * s);
  EXPECT_FLOAT_EQ(style.ItemSpacing.y, 12.0f * s);
  EXPECT_FLOAT_EQ(style.WindowBorderSize, 0.0f);
  EXPECT_FLOAT_EQ(style.FrameBorderSize, 1.0f);
  EXPECT_FLOAT_EQ(style.SelectableTextAlign.y, 0.5f);
  EXPECT_EQ(ImGui::ColorConvertFloat4ToU32(style.Colors[ImGuiCol_PopupBg]),
            IM_COL32(6, 11, 32, 247));
  EXPECT_EQ(ImGui::ColorConvertFloat4ToU32(style.Colors[ImGuiCol_WindowBg]), 0u);
}

INSTANTIATE_TEST_SUITE_P(Scales, LookAndFeel, ::testing::Values(1.0f, 2.0f));

TEST(Fonts, WithoutAFixedWidthFaceNoticeDetailsUseExo2) {
  HeadlessGui gui;
  ImGui::GetIO().Fonts->Clear();
  loadFonts("");
  EXPECT_EQ(monoFont, uiFont);
  EXPECT_STREQ(uiFont->Sources[0]->Name, "Exo 2");
  EXPECT_EQ(ImGui::GetIO().FontDefault, uiFont);
}

TEST(Fonts, AnUnusableFixedWidthFileFallsBackToExo2) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / "scf_ui_bad_fonts";
  fs::remove_all(dir);
  fs::create_directories(dir);
  struct Case {
    const char* name;
    std::size_t bytes;
  };
  const Case cases[] = {
      {"empty.ttf", 0},
      {"truncated.ttf", 12},
      {"garbage.ttf", 4096},
      {"missing.ttf", std::string::npos},
  };
  for (const Case& c : cases) {
    const fs::path path = dir / c.name;
    if (c.bytes != std::string::npos)
      std::ofstream(path, std::ios::binary) << std::string(c.bytes, 'x');
    HeadlessGui gui;
    ImGui::GetIO().Fonts->Clear();
    loadFonts(path.string());
    EXPECT_EQ(monoFont, uiFont) << c.name;
    EXPECT_STREQ(uiFont->Sources[0]->Name, "Exo 2") << c.name;
    EXPECT_EQ(ImGui::GetIO().Fonts->Fonts.Size, 1) << c.name;
    gui.frame([] { ImGui::TextUnformatted("Détails…"); });
    EXPECT_TRUE(gui.errors().empty()) << c.name << ": " << gui.errors().front();
  }
  fs::remove_all(dir);
}

TEST(Fonts, FixedWidthPathIsTheFirstThatExists) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(::testing::TempDir()) / "scf_ui_fonts";
  fs::remove_all(dir);
  fs::create_directories(dir / "folder.ttf");
  std::ofstream(dir / "b.ttf") << "x";
  std::ofstream(dir / "c.ttf") << "x";
  const std::string a = (dir / "a.ttf").string();
  const std::string b = (dir / "b.ttf").string();
  const std::string c = (dir / "c.ttf").string();
  const std::string folder = (dir / "folder.ttf").string();
  EXPECT_EQ(firstExistingFile({a, folder, b, c}), b);
  EXPECT_EQ(firstExistingFile({a, folder}), "");
  EXPECT_EQ(firstExistingFile({}), "");
  fs::remove_all(dir);
}

// The preferred face is the one the system's own terminal uses: DejaVu Sans Mono on Linux,
// Cascadia Mono in the Windows font folder (found through WINDIR, C:\Windows without it).
TEST(Fonts, FixedWidthCandidatesStartWithTheSystemsTerminalFace) {
#ifdef _WIN32
  struct Case {
    const char* windir;
    const char* expected;
  };
  const Case cases[] = {
      {"D:\\Système", "D:\\Système\\Fonts\\CascadiaMono.ttf"},
      {"", "C:\\Windows\\Fonts\\CascadiaMono.ttf"},
  };
  for (const Case& c : cases) {
    testing::EnvGuard env;
    env.set("WINDIR", c.windir);
    EXPECT_EQ(fixedWidthFontCandidates().front(), c.expected) << c.windir;
  }
#else
  EXPECT_EQ(fixedWidthFontCandidates().front(),
            "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
#endif
}

}  // namespace
}  // namespace scf
