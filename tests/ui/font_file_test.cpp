#include "ui/font_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "headless_gui.h"
#include "platform/fonts.h"
#include "ui/fonts.h"

extern "C" const unsigned char scf_resource_exo2_begin[];

namespace scf {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

void put32(Bytes& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out[at + i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// A font file shape: an offset table with one table record, at offset within size bytes.
Bytes sfnt(std::size_t size, std::size_t offset, std::uint32_t tag, std::uint16_t tables,
           std::uint32_t tableStart, std::uint32_t tableLength) {
  Bytes data(size, 0);
  put32(data, offset, tag);
  data[offset + 4] = static_cast<unsigned char>(tables >> 8);
  data[offset + 5] = static_cast<unsigned char>(tables & 0xFF);
  put32(data, offset + 12, 0x676C7966);  // glyf
  put32(data, offset + 12 + 8, tableStart);
  put32(data, offset + 12 + 12, tableLength);
  return data;
}

Bytes collection(std::uint32_t version, std::uint32_t count, std::uint32_t firstOffset) {
  Bytes data = sfnt(144, 16, 0x00010000, 1, 44, 100);
  put32(data, 0, 0x74746366);  // ttcf
  put32(data, 4, version);
  put32(data, 8, count);
  put32(data, 12, firstOffset);
  return data;
}

Bytes exo2() {
  return Bytes(scf_resource_exo2_begin, scf_resource_exo2_begin + exo2ResourceSize());
}

Bytes head(const Bytes& data, std::size_t size) {
  return Bytes(data.begin(), data.begin() + static_cast<long>(size));
}

TEST(FontFile, OnlyWholeFontsPass) {
  const Bytes face = exo2();
  struct Case {
    const char* what;
    Bytes data;
    bool whole;
  };
  const Case cases[] = {
      {"the Exo 2 face", face, true},
      {"half of it", head(face, face.size() / 2), false},
      {"its first 100 bytes", head(face, 100), false},
      {"nothing", {}, false},
      {"text", Bytes(4096, 'x'), false},
      {"one table, inside", sfnt(128, 0, 0x00010000, 1, 28, 100), true},
      {"OpenType tag", sfnt(128, 0, 0x4F54544F, 1, 28, 100), true},
      {"Apple tag", sfnt(128, 0, 0x74727565, 1, 28, 100), true},
      {"one table, a byte too long", sfnt(128, 0, 0x00010000, 1, 28, 101), false},
      {"table start past the end", sfnt(128, 0, 0x00010000, 1, 200, 0), false},
      {"length wrapping around", sfnt(128, 0, 0x00010000, 1, 28, 0xFFFFFFF0u), false},
      {"no tables", sfnt(128, 0, 0x00010000, 0, 28, 100), false},
      {"directory past the end", sfnt(128, 0, 0x00010000, 8, 28, 10), false},
      {"unknown tag", sfnt(128, 0, 0x12345678, 1, 28, 100), false},
      {"collection", collection(0x00010000, 1, 16), true},
      {"collection version 2", collection(0x00020000, 1, 16), true},
      {"collection version 3", collection(0x00030000, 1, 16), false},
      {"empty collection", collection(0x00010000, 0, 16), false},
      {"collection pointing at itself", collection(0x00010000, 1, 0), false},
      {"collection pointing past the end", collection(0x00010000, 1, 4000), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fontDataLooksComplete(c.data.data(), c.data.size()), c.whole) << c.what;
  }
  EXPECT_FALSE(fontDataLooksComplete(nullptr, 0));
}

TEST(FontFile, ReadsWholeFontsAndRefusesTheRest) {
  const fs::path dir = fs::path(testing::TempDir()) / "scf_ui_font_file";
  fs::remove_all(dir);
  fs::create_directories(dir / "folder.ttf");
  const Bytes face = exo2();
  auto write = [&](const char* name, const Bytes& data) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<long>(data.size()));
    return (dir / name).string();
  };
  EXPECT_EQ(readFontFile(write("whole.ttf", face)), face);
  EXPECT_TRUE(readFontFile(write("half.ttf", head(face, face.size() / 2))).empty());
  EXPECT_TRUE(readFontFile(write("empty.ttf", {})).empty());
  EXPECT_TRUE(readFontFile((dir / "missing.ttf").string()).empty());
  EXPECT_TRUE(readFontFile((dir / "folder.ttf").string()).empty());
  const std::string desktop = fixedWidthFontPath();
  if (!desktop.empty()) EXPECT_FALSE(readFontFile(desktop).empty()) << desktop;

  // A whole font from a file becomes the fixed-width face.
  HeadlessGui gui;
  ImGui::GetIO().Fonts->Clear();
  loadFonts((dir / "whole.ttf").string());
  ASSERT_NE(monoFont, uiFont);
  EXPECT_STREQ(monoFont->Sources[0]->Name, "Fixed width");
  EXPECT_FLOAT_EQ(monoFont->LegacySize, 16.0f);
  EXPECT_EQ(ImGui::GetIO().FontDefault, uiFont);
  gui.frame([] {
    ImGui::PushFont(monoFont, 15.0f);
    ImGui::TextUnformatted("/home/joueuse/Téléchargements");
    ImGui::PopFont();
  });
  EXPECT_TRUE(gui.errors().empty()) << gui.errors().front();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace scf
