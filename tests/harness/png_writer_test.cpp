#include "harness/png_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace scf {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> image(uint32_t w, uint32_t h) {
  std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < px.size(); ++i)
    px[i] = static_cast<uint8_t>(i * 7 + i / 13);
  return px;
}

// Walks the stored deflate blocks of the IDAT chunk: their lengths and final flags.
struct Block {
  uint8_t header;
  size_t length;
};

std::vector<Block> storedBlocks(const std::vector<uint8_t>& png) {
  // Signature 8, IHDR chunk 25, then IDAT's length and type.
  const size_t idat = 8 + 25;
  size_t pos = idat + 8 + 2;  // zlib header
  const size_t idatLen = (size_t(png[idat]) << 24) | (size_t(png[idat + 1]) << 16) |
                         (size_t(png[idat + 2]) << 8) | png[idat + 3];
  const size_t end = idat + 8 + idatLen - 4;  // Adler-32 last
  std::vector<Block> blocks;
  while (pos < end) {
    const size_t len = png[pos + 1] | (size_t(png[pos + 2]) << 8);
    const size_t nlen = png[pos + 3] | (size_t(png[pos + 4]) << 8);
    EXPECT_EQ(len ^ 0xFFFF, nlen);
    blocks.push_back({png[pos], len});
    pos += 5 + len;
  }
  EXPECT_EQ(pos, end);
  return blocks;
}

TEST(PngWriter, OneRedPixelIsByteExact) {
  const uint8_t px[4] = {255, 0, 0, 255};
  const std::vector<uint8_t> png = encodePng(px, 1, 1, false);
  const std::vector<uint8_t> ihdr = {0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0,
                                     1, 0, 0, 0,  1,   8,   2,   0,   0, 0};
  const std::vector<uint8_t> zlib = {0x78, 0x01, 0x01, 0x04, 0x00, 0xFB, 0xFF, 0x00,
                                     0xFF, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00};
  ASSERT_EQ(png.size(), 8u + 25u + 12u + zlib.size() + 12u);
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}));
  EXPECT_EQ(std::vector<uint8_t>(png.begin() + 8, png.begin() + 29), ihdr);
  EXPECT_EQ(std::vector<uint8_t>(png.begin() + 41, png.begin() + 41 + zlib.size()), zlib);
  // IEND with its well-known CRC closes the file.
  EXPECT_EQ(std::vector<uint8_t>(png.end() - 12, png.end()),
            (std::vector<uint8_t>{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
}

TEST(PngWriter, ChecksumsMatchKnownValues) {
  const std::string text = "123456789";
  EXPECT_EQ(crc32(reinterpret_cast<const uint8_t*>(text.data()), text.size()), 0xCBF43926u);
  const std::string wiki = "Wikipedia";
  EXPECT_EQ(adler32(reinterpret_cast<const uint8_t*>(wiki.data()), wiki.size()), 0x11E60398u);
  // Long runs of 0xFF stress the deferred modulo.
  std::vector<uint8_t> ones(1 << 20, 0xFF);
  uint32_t s1 = 1, s2 = 0;
  for (uint8_t b : ones) {
    s1 = (s1 + b) % 65521;
    s2 = (s2 + s1) % 65521;
  }
  EXPECT_EQ(adler32(ones.data(), ones.size()), (s2 << 16) | s1);
}

struct BlockCase {
  const char* name;
  uint32_t width, height;
  size_t blocks;
  size_t lastLength;
};

void PrintTo(const BlockCase& c, std::ostream* os) {
  *os << c.name;
}

class PngBlocks : public testing::TestWithParam<BlockCase> {};

TEST_P(PngBlocks, SplitIntoStoredBlocks) {
  const BlockCase& c = GetParam();
  const std::vector<uint8_t> px = image(c.width, c.height);
  const std::vector<Block> blocks = storedBlocks(encodePng(px.data(), c.width, c.height, false));
  ASSERT_EQ(blocks.size(), c.blocks);
  for (size_t i = 0; i + 1 < blocks.size(); ++i) {
    EXPECT_EQ(blocks[i].header, 0);
    EXPECT_EQ(blocks[i].length, 65535u);
  }
  EXPECT_EQ(blocks.back().header, 1);
  EXPECT_EQ(blocks.back().length, c.lastLength);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PngBlocks,
                         testing::Values(BlockCase{"Exactly65535", 1456, 15, 1, 65535},
                                         BlockCase{"Exactly65536", 1, 16384, 2, 1},
                                         BlockCase{"LauncherWindow", 1120, 760, 39, 64030}),
                         [](const testing::TestParamInfo<BlockCase>& info) {
                           return std::string(info.param.name);
                         });

std::string readerOutput(const fs::path& png, const fs::path& raw) {
  const std::string cmd = std::string("python3 -I -X utf8 '") + SCF_SOURCE_DIR +
                          "/tests/harness/read_png.py' '" + png.string() + "' '" + raw.string() +
                          "'";
  std::string out;
  if (FILE* pipe = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe))
      out += buf;
    pclose(pipe);
  }
  return out;
}

TEST(PngWriter, RealReaderSeesTheSamePixels) {
#ifdef _WIN32
  GTEST_SKIP() << "the reader is the build machine's Python (zlib), which a Windows program "
                  "cannot run; the blocks and checksums are checked above on every system";
#endif
  const fs::path dir = fs::temp_directory_path() / "scf_png_test";
  fs::create_directories(dir);
  for (bool alpha : {false, true}) {
    const uint32_t w = 301, h = 257;  // more than one block, odd row length
    const std::vector<uint8_t> px = image(w, h);
    const fs::path file = dir / (alpha ? "rgba.png" : "rgb.png");
    ASSERT_TRUE(writePng(file.string(), px.data(), w, h, alpha));
    std::vector<uint8_t> expected;
    for (size_t i = 0; i < px.size(); i += 4) {
      expected.insert(expected.end(), px.begin() + i, px.begin() + i + (alpha ? 4 : 3));
    }
    const fs::path raw = dir / "expected.raw";
    std::ofstream(raw, std::ios::binary)
        .write(reinterpret_cast<const char*>(expected.data()), std::streamsize(expected.size()));
    EXPECT_EQ(readerOutput(file, raw), std::to_string(w) + " " + std::to_string(h) + " 8 " +
                                           (alpha ? "6" : "2") + " same\n");
  }
  fs::remove_all(dir);
}

TEST(PngWriter, RefusesWhatItCannotWrite) {
  const fs::path missing = fs::temp_directory_path() / "scf_png_no_such_folder" / "x.png";
  const uint8_t px[4] = {1, 2, 3, 4};
  EXPECT_FALSE(writePng(missing.string(), px, 1, 1, false));
  EXPECT_FALSE(fs::exists(missing));

  const fs::path empty = fs::temp_directory_path() / "scf_png_empty.png";
  EXPECT_FALSE(writePng(empty.string(), px, 0, 1, false));
  EXPECT_FALSE(writePng(empty.string(), px, 1, 0, false));
  EXPECT_FALSE(writePng(empty.string(), nullptr, 1, 1, false));
  EXPECT_FALSE(fs::exists(empty));
}

}  // namespace
}  // namespace scf
