#include "enhance/texture_pack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/app.h"
#include "app/enhance_actions.h"
#include "enhance/enhance_run.h"
#include "platform/absolute_path.h"
#include "platform/utf8_path.h"
#include "release/ini_file.h"
#include "support/test_support.h"

namespace scf {
namespace {

using testing::nativePath;
using testing::TempFolder;
using testing::writeFile;

// Each path of a command line as the system spells it ("-I" and the like stay as they are).
std::vector<std::string> nativePaths(const std::vector<std::string>& list) {
  std::vector<std::string> result;
  for (const std::string& item : list)
    result.push_back(nativePath(item));
  return result;
}

class TexturePack : public ::testing::Test {
 protected:
  void SetUp() override {
    app.layout.userDir = dir / "user";
    app.layout.videoIni = dir / "user/video.ini";
    app.layout.releaseDir = dir / "release";
    app.layout.sourceDir = dir / "release/source";
    app.layout.kitDir = dir / "release/kit";
    app.layout.gameDir = dir / "release/game";
    app.layout.pythonExe = dir / "release/kit/python/python3";
  }
  std::string pack(const std::string& name) const { return dir / ("user/texture_pack/" + name); }

  TempFolder dir;
  App app;
};

TEST_F(TexturePack, CountsThePngFilesOfThePackFolderOnly) {
  for (int i = 0; i < 12; ++i)
    writeFile(pack("T" + std::to_string(i) + ".png"), "png");
  writeFile(pack("notes.txt"), "text");
  writeFile(pack(".work/upscaled/A.png"), "png");
  writeFile(pack("upper.PNG"), "png");
  writeFile(pack("half.png.tmp"), "png");
  std::filesystem::create_directories(utf8Path(pack("folder.png")));
  app.enhance.countTextures(app.layout);
  EXPECT_EQ(app.enhance.textureCount, 12);
}

TEST_F(TexturePack, AMissingOrUnreadablePackCountsNothing) {
  app.enhance.textureCount = 5;
  app.enhance.countTextures(app.layout);
  EXPECT_EQ(app.enhance.textureCount, 0);
  writeFile(dir / "user/texture_pack", "a file, not a folder");
  app.enhance.textureCount = 5;
  app.enhance.countTextures(app.layout);
  EXPECT_EQ(app.enhance.textureCount, 0);
}

TEST_F(TexturePack, TheSwitchWritesAndErasesItsKeyAndKeepsTheOthers) {
  writeFile(app.layout.videoIni,
            "size = 800x600\nmode = borderless\nvsync = 1\nzoom = 2 # game's own key\n");
  ASSERT_TRUE(app.video.load(app.layout.videoIni));
  EXPECT_TRUE(texturePackOn(app.video));

  setTexturePackOn(app, false);
  EXPECT_FALSE(texturePackOn(app.video));
  IniFile file = readIniFile(app.layout.videoIni, true);
  EXPECT_EQ(file.values["texture_pack"], "off");
  EXPECT_EQ(file.values["vsync"], "1");
  EXPECT_EQ(file.values["zoom"], "2");
  EXPECT_EQ(file.values["size"], "800x600");
  EXPECT_EQ(file.values["mode"], "borderless");

  setTexturePackOn(app, true);
  EXPECT_TRUE(texturePackOn(app.video));
  file = readIniFile(app.layout.videoIni, true);
  EXPECT_EQ(file.values.count("texture_pack"), 0U);
  EXPECT_EQ(file.values["vsync"], "1");
  EXPECT_EQ(file.values["zoom"], "2");
  EXPECT_TRUE(app.video.loaded);
}

TEST_F(TexturePack, OnlyTheValueOffTurnsThePackOff) {
  struct Case {
    const char* value;  // nullptr: no entry
    bool on;
  };
  const Case cases[] = {{nullptr, true}, {"off", false}, {"on", true},
                        {"Off", true},   {"0", true},    {"off ", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(none)");
    app.video.extras.clear();
    if (c.value) app.video.extras["texture_pack"] = c.value;
    EXPECT_EQ(texturePackOn(app.video), c.on);
  }
}

TEST_F(TexturePack, TurningOffWithoutAVideoIniWritesOne) {
  std::filesystem::create_directories(app.layout.userDir);
  setTexturePackOn(app, false);
  const IniFile file = readIniFile(app.layout.videoIni, true);
  EXPECT_TRUE(file.opened);
  EXPECT_EQ(file.values.at("texture_pack"), "off");
  EXPECT_TRUE(app.video.loaded);
}

TEST_F(TexturePack, TheScriptsCommandLines) {
  const ChildCommand make = enhanceCommand(app.layout, false);
  EXPECT_EQ(nativePath(make.program), nativePath(dir / "release/kit/python/python3"));
  EXPECT_EQ(make.workingFolder, app.layout.sourceDir);
  const std::string script = dir / "release/source/tools/scf_texture_enhance.py";
  EXPECT_EQ(nativePaths(make.arguments),
            nativePaths(std::vector<std::string>{"-I", "-X", "utf8", script, "--user", dir / "user",
                                                 "--game", dir / "release/game", "--kit",
                                                 dir / "release/kit"}));
  const ChildCommand remove = enhanceCommand(app.layout, true);
  EXPECT_EQ(nativePaths(remove.arguments),
            nativePaths({"-I", "-X", "utf8", script, "--user", dir / "user", "--remove"}));
}

TEST_F(TexturePack, RelativeFoldersReachTheScriptAbsolute) {
  app.layout.userDir = "user";
  app.layout.sourceDir = "rel/source";
  const ChildCommand make = enhanceCommand(app.layout, false);
  EXPECT_EQ(nativePath(make.arguments[3]),
            nativePath(absolutePath("rel/source/tools/scf_texture_enhance.py")));
  EXPECT_EQ(nativePath(make.arguments[5]), nativePath(absolutePath("user")));
  EXPECT_EQ(make.workingFolder, "rel/source");
}

// The upscaler's name in a real release for each system, and the other system's name, which
// names no program here.
#ifdef _WIN32
constexpr const char* kUpscaler = "realesrgan-ncnn-vulkan.exe";
constexpr const char* kOtherSystemsUpscaler = "realesrgan-ncnn-vulkan";
#else
constexpr const char* kUpscaler = "realesrgan-ncnn-vulkan";
constexpr const char* kOtherSystemsUpscaler = "realesrgan-ncnn-vulkan.exe";
#endif

TEST_F(TexturePack, AvailableWithTheScriptAndTheUpscalerBoth) {
  const std::string script = dir / "release/source/tools/scf_texture_enhance.py";
  struct Case {
    bool script;
    const char* upscaler;  // null for none
    bool available;
  };
  const Case cases[] = {
      {false, nullptr, false},
      {true, nullptr, false},
      {false, kUpscaler, false},
      {true, kUpscaler, true},
      {true, kOtherSystemsUpscaler, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.script) + " " + (c.upscaler ? c.upscaler : "no upscaler"));
    std::filesystem::remove_all(utf8Path(dir / "release"));
    if (c.script) writeFile(script, "");
    if (c.upscaler) writeFile(dir / "release/kit/realesrgan" + "/" + c.upscaler, "");
    EXPECT_EQ(enhanceAvailable(app.layout), c.available);
  }
  EXPECT_EQ(utf8String(utf8Path(upscalerPath(app.layout)).filename()), kUpscaler);
}

}  // namespace
}  // namespace scf
