#include "release/release_layout.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "app/app.h"
#include "platform/exe_path.h"
#include "release/user_folder.h"
#include "support/test_support.h"
#include "ui/tr.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

// Every variable the layout reads, with a release folder and a user folder in a temporary place,
// and a PATH on which only the test's own programs are found.
class ResolveLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedFrench = uiFrench;
    release = folder / "release";
    user = folder / "user";
    bin = folder / "bin";
    fs::create_directories(release);
    fs::create_directories(bin);
    for (const char* name : {"APPDATA", "XDG_DATA_HOME", "LC_ALL", "LC_MESSAGES"}) {
      ::unsetenv(name);
    }
    ::setenv("ZA2D_USER_DIR", user.c_str(), 1);
    ::setenv("HOME", (folder / "home").c_str(), 1);
    ::setenv("LANG", "C.UTF-8", 1);
    ::setenv("PATH", bin.c_str(), 1);
  }
  void TearDown() override { uiFrench = savedFrench; }

  void makeCompleteRelease() {
    testing::writeFile(release + "/source/tools/scf_build.py", "");
    testing::writeFile(release + "/kit/kit_manifest.json", "{}");
    placeProgram(release + "/kit/python/bin/python3");
  }

  static void placeProgram(const std::string& path) {
    testing::writeFile(path, "#!/bin/sh\n");
    ::chmod(path.c_str(), 0755);
  }

  testing::EnvGuard env{{"ZA2D_USER_DIR", "APPDATA", "XDG_DATA_HOME", "HOME", "LC_ALL",
                         "LC_MESSAGES", "LANG", "PATH"}};
  testing::TempFolder folder;
  bool savedFrench = false;
  std::string release;
  std::string user;
  std::string bin;
};

TEST_F(ResolveLayoutTest, FillsEveryPathFromTheTwoRoots) {
  makeCompleteRelease();
  App app;
  resolveLayout(app, release);
  const ReleaseLayout& l = app.layout;
  EXPECT_EQ(l.releaseDir, release);
  EXPECT_EQ(l.sourceDir, release + "/source");
  EXPECT_EQ(l.kitDir, release + "/kit");
  EXPECT_EQ(l.pythonExe, release + "/kit/python/bin/python3");
  EXPECT_EQ(l.buildScript, release + "/source/tools/scf_build.py");
  EXPECT_EQ(l.buildDir, release + "/build");
  EXPECT_EQ(l.buildLogsDir, release + "/build/logs");
  EXPECT_EQ(l.gameDir, release + "/game");
  EXPECT_EQ(l.gameExe, release + "/game/scf");
  EXPECT_EQ(l.bootFile, release + "/game/SXUS_902.10");
  EXPECT_EQ(l.discIso, release + "/game/disc.iso");
  EXPECT_EQ(l.releaseIni, release + "/source/release.ini");
  EXPECT_EQ(l.builtFromIni, release + "/game/built_from.ini");
  EXPECT_EQ(l.userDir, user);
  EXPECT_EQ(l.launcherIni, user + "/launcher.ini");
  EXPECT_EQ(l.videoIni, user + "/video.ini");
  EXPECT_EQ(l.userLogsDir, user + "/logs");
  EXPECT_EQ(l.crashesDir, user + "/crashes");
  EXPECT_TRUE(fs::is_directory(user));
  EXPECT_EQ(app.missingItem, "");
  EXPECT_FALSE(app.pythonMissing);
  // No launcher.ini: defaults, welcome screen, and nothing written back.
  EXPECT_EQ(app.screen, kScreenWelcome);
  EXPECT_TRUE(app.settings.motion);
  EXPECT_TRUE(app.settings.updateCheck);
  EXPECT_EQ(app.settings.disc, "");
  EXPECT_FALSE(testing::exists(l.launcherIni));
  EXPECT_EQ(app.identity.displayVersion, "0.8.0");
}

TEST_F(ResolveLayoutTest, RelativeReleaseFolderStaysRelative) {
  testing::CwdGuard cwd(folder.path());
  makeCompleteRelease();
  App app;
  resolveLayout(app, "release");
  EXPECT_EQ(app.layout.releaseDir, "release");
  EXPECT_EQ(app.layout.sourceDir, "release/source");
  EXPECT_EQ(app.layout.pythonExe, "release/kit/python/bin/python3");
  EXPECT_EQ(app.missingItem, "");
}

struct MissingCase {
  const char* name;
  bool script;
  bool manifest;
  bool shippedFolder;
  bool shippedInterpreter;
  bool pythonOnPath;
  const char* missingItem;
  bool pythonMissing;
};

class MissingItemTest : public ResolveLayoutTest,
                        public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingItemTest, ReportsTheFirstMissingPiece) {
  const MissingCase& c = GetParam();
  if (c.script) testing::writeFile(release + "/source/tools/scf_build.py", "");
  if (c.manifest) testing::writeFile(release + "/kit/kit_manifest.json", "{}");
  if (c.shippedFolder) fs::create_directories(release + "/kit/python/bin");
  if (c.shippedInterpreter) placeProgram(release + "/kit/python/bin/python3");
  if (c.pythonOnPath) placeProgram(bin + "/python3");
  testing::writeFile(user + "/launcher.ini", "disc = /games/scrapfury.iso\n");
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.missingItem, c.missingItem);
  EXPECT_EQ(app.pythonMissing, c.pythonMissing);
  EXPECT_EQ(app.screen, std::string(c.missingItem).empty() ? kScreenMain : kScreenMissingFiles);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MissingItemTest,
    ::testing::Values(
        MissingCase{"NothingThere", false, false, false, false, true, "source/tools/scf_build.py",
                    false},
        MissingCase{"NoScriptButKit", false, true, true, true, true, "source/tools/scf_build.py",
                    false},
        MissingCase{"InterpreterWithoutManifest", true, false, true, true, true, "kit/", false},
        MissingCase{"ShippedInterpreterMissing", true, true, true, false, true, "kit/", false},
        MissingCase{"SystemPythonWithoutManifest", true, false, false, false, true, "kit/", false},
        MissingCase{"NoPythonAnywhere", true, true, false, false, false, "python3", true},
        MissingCase{"SystemPython", true, true, false, false, true, "", false},
        MissingCase{"ShippedPython", true, true, true, true, false, "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResolveLayoutTest, SystemPythonIsNamedByItsFullPath) {
  testing::writeFile(release + "/source/tools/scf_build.py", "");
  testing::writeFile(release + "/kit/kit_manifest.json", "{}");
  testing::writeFile(bin + "/python3", "not executable");
  const std::string second = folder / "bin2";
  placeProgram(second + "/python3");
  ::setenv("PATH", (bin + ":" + second).c_str(), 1);
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.layout.pythonExe, second + "/python3");
}

TEST_F(ResolveLayoutTest, WithoutPathTheWorkingFolderIsNotSearched) {
  testing::writeFile(release + "/source/tools/scf_build.py", "");
  testing::writeFile(release + "/kit/kit_manifest.json", "{}");
  placeProgram(folder / "python3");
  testing::CwdGuard cwd(folder.path());
  for (const char* path : {static_cast<const char*>(nullptr), ""}) {
    if (path) {
      ::setenv("PATH", path, 1);
    } else {
      ::unsetenv("PATH");
    }
    App app;
    resolveLayout(app, release);
    const std::string found = app.layout.pythonExe;
    EXPECT_NE(found, folder / "python3");
    EXPECT_TRUE(found.empty() || found.starts_with("/usr/local/bin/") ||
                found.starts_with("/usr/bin/") || found.starts_with("/bin/"))
        << found;
    EXPECT_EQ(app.pythonMissing, found.empty());
  }
}

TEST_F(ResolveLayoutTest, OpeningScreenFollowsTheDiscSetting) {
  makeCompleteRelease();
  testing::writeFile(user + "/launcher.ini", "disc = /nowhere/x#1.iso\n");
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.settings.disc, "/nowhere/x#1.iso");
  EXPECT_EQ(app.screen, kScreenMain) << "the disc is checked later, not here";
}

TEST_F(ResolveLayoutTest, LoadsVideoSettings) {
  makeCompleteRelease();
  testing::writeFile(user + "/video.ini", "size = 1280x720\nmode = borderless # comment\n");
  App app;
  resolveLayout(app, release);
  EXPECT_TRUE(app.video.loaded);
  EXPECT_EQ(app.video.width, 1280);
  EXPECT_EQ(app.video.mode, "borderless");
}

struct LanguageCase {
  const char* name;
  const char* setting;  // nullptr: no launcher.ini
  const char* lcAll;
  const char* lcMessages;
  const char* lang;
  bool french;
};

class LanguageTest : public ResolveLayoutTest,
                     public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageTest, PicksTheInterfaceLanguage) {
  const LanguageCase& c = GetParam();
  makeCompleteRelease();
  if (c.setting) testing::writeFile(user + "/launcher.ini", std::string("language = ") + c.setting);
  const std::string before = c.setting ? testing::readFile(user + "/launcher.ini") : "";
  testing::setOrUnset({{"LC_ALL", c.lcAll}, {"LC_MESSAGES", c.lcMessages}, {"LANG", c.lang}});
  uiFrench = !c.french;
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(uiFrench, c.french);
  // The chosen default is never written back.
  EXPECT_EQ(testing::exists(user + "/launcher.ini"), c.setting != nullptr);
  if (c.setting) EXPECT_EQ(testing::readFile(user + "/launcher.ini"), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LanguageTest,
    ::testing::Values(
        LanguageCase{"FrenchDesktop", nullptr, nullptr, nullptr, "fr_FR.UTF-8", true},
        LanguageCase{"EnglishDesktop", nullptr, nullptr, nullptr, "en_GB.UTF-8", false},
        LanguageCase{"NoLocale", nullptr, nullptr, nullptr, nullptr, false},
        LanguageCase{"LcAllFirst", nullptr, "en_US.UTF-8", nullptr, "fr_FR", false},
        LanguageCase{"LcMessagesBeforeLang", nullptr, nullptr, "fr_CA", "en_US", true},
        LanguageCase{"EmptyLcAllIgnored", nullptr, "", nullptr, "fr_BE", true},
        LanguageCase{"SettingGerman", "de", nullptr, nullptr, "fr_FR", false},
        LanguageCase{"SettingFrench", "fr", nullptr, nullptr, "en_US", true},
        LanguageCase{"SettingEnglish", "en", nullptr, nullptr, "fr_FR", false},
        LanguageCase{"EmptySettingUsesDesktop", "", nullptr, nullptr, "fr_FR", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResolveLayoutTest, RelativeUserFolderIsMadeAbsoluteAndCreated) {
  testing::CwdGuard cwd(folder.path());
  ::setenv("ZA2D_USER_DIR", "data/./saves/../user dir/", 1);
  App app;
  resolveLayout(app, release);
  const std::string expected = fs::current_path().string() + "/data/user dir";
  EXPECT_EQ(app.layout.userDir, expected);
  EXPECT_TRUE(fs::is_directory(expected));
  EXPECT_EQ(app.layout.launcherIni, expected + "/launcher.ini");
}

TEST_F(ResolveLayoutTest, EmptyUserDirVariableLetsAppDataDecide) {
  ::setenv("ZA2D_USER_DIR", "", 1);
  ::setenv("APPDATA", (folder / "appdata").c_str(), 1);
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.layout.userDir, folder / "appdata/ZER_Avudud");
  EXPECT_TRUE(fs::is_directory(app.layout.userDir));
}

TEST_F(ResolveLayoutTest, WithoutAppDataTheXdgRuleDecides) {
  ::unsetenv("ZA2D_USER_DIR");
  ::setenv("APPDATA", "", 1);
  ::setenv("XDG_DATA_HOME", (folder / "xdg").c_str(), 1);
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.layout.userDir, folder / "xdg/ZER_Avudud");

  ::unsetenv("XDG_DATA_HOME");
  resolveLayout(app, release);
  EXPECT_EQ(app.layout.userDir, folder / "home/.local/share/ZER_Avudud");
  EXPECT_TRUE(fs::is_directory(app.layout.userDir));

  // A relative XDG_DATA_HOME is invalid and ignored.
  ::setenv("XDG_DATA_HOME", "relative/data", 1);
  resolveLayout(app, release);
  EXPECT_EQ(app.layout.userDir, folder / "home/.local/share/ZER_Avudud");
}

TEST_F(ResolveLayoutTest, WithoutHomeTheExecutablesFolderDecidesEvenWithReleaseElsewhere) {
  ::unsetenv("ZA2D_USER_DIR");
  ::unsetenv("HOME");
  const std::string expected = (fs::path(exeFolder()) / "user").lexically_normal().string();
  const bool existed = fs::exists(expected);
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.layout.userDir, expected);
  EXPECT_EQ(app.layout.releaseDir, release);
  EXPECT_EQ(app.layout.sourceDir, release + "/source");
  EXPECT_TRUE(fs::is_directory(expected));
  std::error_code error;
  if (!existed) fs::remove_all(expected, error);
}

TEST_F(ResolveLayoutTest, ReleaseElsewhereMovesOnlyReleasePaths) {
  const std::string elsewhere = folder / "other place/rel";
  App app;
  resolveLayout(app, elsewhere);
  EXPECT_EQ(app.layout.releaseDir, elsewhere);
  EXPECT_EQ(app.layout.gameExe, elsewhere + "/game/scf");
  EXPECT_EQ(app.layout.userDir, user);
  EXPECT_EQ(app.missingItem, "source/tools/scf_build.py");
}

TEST_F(ResolveLayoutTest, ReadsIdentityThenCleansOldFiles) {
  makeCompleteRelease();
  testing::writeFile(release + "/source/release.ini", "version = 0.9.0\ncommit = abc\n");
  testing::writeFile(release + "/CHANGELOG.md", "## [0.9.0] - 2026-11-02\n- New.\n");
  testing::writeFile(release + "/scf-launcher.scf-old", "old");
  testing::writeFile(release + "/update/old_files.txt", release + "/scf-launcher.scf-old\n");
  App app;
  resolveLayout(app, release);
  EXPECT_EQ(app.identity.releaseCommit, "abc");
  EXPECT_EQ(app.identity.displayVersion, "0.9.0");
  EXPECT_EQ(app.identity.changelogText, "- New.");
  EXPECT_FALSE(testing::exists(release + "/scf-launcher.scf-old"));
  EXPECT_FALSE(testing::exists(release + "/update"));
}

}  // namespace
}  // namespace scf
