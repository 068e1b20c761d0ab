#include "release/release_layout.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/exe_path.h"
#include "platform/executable_name.h"
#include "platform/utf8_path.h"
#include "release/launcher_settings.h"
#include "release/release_identity.h"
#include "release/tr.h"
#include "release/user_folder.h"
#include "release/video_settings.h"
#include "support/test_support.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

// Where the interpreter is looked for, by the system's conventions.
#ifdef _WIN32
constexpr const char* kShippedPython = "/kit/python/python.exe";
constexpr const char* kPythonName = "python.exe";
constexpr const char* kPathListSeparator = ";";
#else
constexpr const char* kShippedPython = "/kit/python/bin/python3";
constexpr const char* kPythonName = "python3";
constexpr const char* kPathListSeparator = ":";
#endif

// Paths compared as the system spells them.
#define EXPECT_SAME_PATH(actual, expected) \
  EXPECT_EQ(testing::nativePath(actual), testing::nativePath(expected))

// What openRelease fills, held together as the launcher holds it.
struct Opened {
  ReleaseLayout layout;
  LauncherSettings settings;
  VideoSettings video;
  ReleaseIdentity identity;
  std::string missingItem;
  bool pythonMissing = false;
};

void open(Opened& opened, const std::string& releaseDir) {
  const MissingPiece missing =
      openRelease(releaseDir, opened.layout, opened.settings, opened.video, opened.identity);
  opened.missingItem = missing.item;
  opened.pythonMissing = missing.python;
}

// Every variable the layout reads, with a release folder and a user folder in a temporary place,
// and a PATH on which only the test's own programs are found.
class OpenReleaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedFrench = uiFrench;
    release = folder / "release";
    user = folder / "user";
    bin = folder / "bin";
    fs::create_directories(utf8Path(release));
    fs::create_directories(utf8Path(bin));
    for (const char* name : {"APPDATA", "XDG_DATA_HOME", "LC_ALL", "LC_MESSAGES"}) {
      setEnv(name, "");
    }
    setEnv("ZA2D_USER_DIR", user);
    setEnv("HOME", folder / "home");
    setEnv("LANG", "C.UTF-8");
    setEnv("PATH", bin);
  }
  void TearDown() override { uiFrench = savedFrench; }

  void makeCompleteRelease() {
    testing::writeFile(release + "/source/tools/scf_build.py", "");
    testing::writeFile(release + "/kit/kit_manifest.json", "{}");
    placeProgram(release + kShippedPython);
  }

  static void placeProgram(const std::string& path) {
    testing::writeFile(path, "#!/bin/sh\n");
#ifndef _WIN32
    ::chmod(path.c_str(), 0755);
#endif
  }

  testing::EnvGuard env{{"ZA2D_USER_DIR", "APPDATA", "XDG_DATA_HOME", "HOME", "LC_ALL",
                         "LC_MESSAGES", "LANG", "PATH"}};
  testing::TempFolder folder;
  bool savedFrench = false;
  std::string release;
  std::string user;
  std::string bin;
};

TEST_F(OpenReleaseTest, FillsEveryPathFromTheTwoRoots) {
  makeCompleteRelease();
  Opened opened;
  open(opened, release);
  const ReleaseLayout& l = opened.layout;
  EXPECT_SAME_PATH(l.releaseDir, release);
  EXPECT_SAME_PATH(l.sourceDir, release + "/source");
  EXPECT_SAME_PATH(l.kitDir, release + "/kit");
  EXPECT_SAME_PATH(l.pythonExe, release + kShippedPython);
  EXPECT_SAME_PATH(l.buildScript, release + "/source/tools/scf_build.py");
  EXPECT_SAME_PATH(l.buildDir, release + "/build");
  EXPECT_SAME_PATH(l.buildLogsDir, release + "/build/logs");
  EXPECT_SAME_PATH(l.gameDir, release + "/game");
  EXPECT_SAME_PATH(l.gameExe, release + "/game/" + executableName("scf"));
  EXPECT_SAME_PATH(l.bootFile, release + "/game/SXUS_902.10");
  EXPECT_SAME_PATH(l.discIso, release + "/game/disc.iso");
  EXPECT_SAME_PATH(l.releaseIni, release + "/source/release.ini");
  EXPECT_SAME_PATH(l.builtFromIni, release + "/game/built_from.ini");
  EXPECT_SAME_PATH(l.userDir, user);
  EXPECT_SAME_PATH(l.launcherIni, user + "/launcher.ini");
  EXPECT_SAME_PATH(l.videoIni, user + "/video.ini");
  EXPECT_SAME_PATH(l.userLogsDir, user + "/logs");
  EXPECT_SAME_PATH(l.crashesDir, user + "/crashes");
  EXPECT_TRUE(fs::is_directory(utf8Path(user)));
  EXPECT_EQ(opened.missingItem, "");
  EXPECT_FALSE(opened.pythonMissing);
  // No launcher.ini: defaults, and nothing written back.
  EXPECT_TRUE(opened.settings.motion);
  EXPECT_TRUE(opened.settings.updateCheck);
  EXPECT_EQ(opened.settings.disc, "");
  EXPECT_FALSE(testing::exists(l.launcherIni));
  EXPECT_EQ(opened.identity.displayVersion, "0.8.0");
}

TEST_F(OpenReleaseTest, RelativeReleaseFolderStaysRelative) {
  testing::CwdGuard cwd(folder.path());
  makeCompleteRelease();
  Opened opened;
  open(opened, "release");
  EXPECT_EQ(opened.layout.releaseDir, "release");
  EXPECT_SAME_PATH(opened.layout.sourceDir, "release/source");
  EXPECT_SAME_PATH(opened.layout.pythonExe, std::string("release") + kShippedPython);
  EXPECT_EQ(opened.missingItem, "");
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

class MissingItemTest : public OpenReleaseTest,
                        public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingItemTest, ReportsTheFirstMissingPiece) {
  const MissingCase& c = GetParam();
  if (c.script) testing::writeFile(release + "/source/tools/scf_build.py", "");
  if (c.manifest) testing::writeFile(release + "/kit/kit_manifest.json", "{}");
  if (c.shippedFolder) fs::create_directories(utf8Path(release + kShippedPython).parent_path());
  if (c.shippedInterpreter) placeProgram(release + kShippedPython);
  if (c.pythonOnPath) placeProgram(bin + "/" + kPythonName);
  testing::writeFile(user + "/launcher.ini", "disc = /games/scrapfury.iso\n");
  Opened opened;
  open(opened, release);
  EXPECT_SAME_PATH(opened.missingItem, c.missingItem);
  EXPECT_EQ(opened.pythonMissing, c.pythonMissing);
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

TEST_F(OpenReleaseTest, SystemPythonIsNamedByItsFullPath) {
  testing::writeFile(release + "/source/tools/scf_build.py", "");
  testing::writeFile(release + "/kit/kit_manifest.json", "{}");
#ifndef _WIN32
  // Windows has no execute permission: there the first PATH folder simply has none.
  testing::writeFile(bin + "/python3", "not executable");
#endif
  const std::string second = folder / "bin2";
  placeProgram(second + "/" + kPythonName);
  setEnv("PATH", bin + kPathListSeparator + second);
  Opened opened;
  open(opened, release);
  EXPECT_SAME_PATH(opened.layout.pythonExe, second + "/" + kPythonName);
}

TEST_F(OpenReleaseTest, WithoutPathTheWorkingFolderIsNotSearched) {
  testing::writeFile(release + "/source/tools/scf_build.py", "");
  testing::writeFile(release + "/kit/kit_manifest.json", "{}");
  placeProgram(folder / kPythonName);
  testing::CwdGuard cwd(folder.path());
  // An empty value unsets the variable: both are the same case here.
  setEnv("PATH", "");
  Opened opened;
  open(opened, release);
  const std::string found = opened.layout.pythonExe;
  EXPECT_NE(testing::nativePath(found), testing::nativePath(folder / kPythonName));
#ifdef _WIN32
  EXPECT_EQ(found, "") << "Windows has no usual folders to fall back on";
#else
  EXPECT_TRUE(found.empty() || found.starts_with("/usr/local/bin/") ||
              found.starts_with("/usr/bin/") || found.starts_with("/bin/"))
      << found;
#endif
  EXPECT_EQ(opened.pythonMissing, found.empty());
}

TEST_F(OpenReleaseTest, LoadsTheDiscSettingWithoutCheckingIt) {
  makeCompleteRelease();
  testing::writeFile(user + "/launcher.ini", "disc = /nowhere/x#1.iso\n");
  Opened opened;
  open(opened, release);
  EXPECT_EQ(opened.settings.disc, "/nowhere/x#1.iso");
}

TEST_F(OpenReleaseTest, LoadsVideoSettings) {
  makeCompleteRelease();
  testing::writeFile(user + "/video.ini", "size = 1280x720\nmode = borderless # comment\n");
  Opened opened;
  open(opened, release);
  EXPECT_TRUE(opened.video.loaded);
  EXPECT_EQ(opened.video.width, 1280);
  EXPECT_EQ(opened.video.mode, "borderless");
}

struct LanguageCase {
  const char* name;
  const char* setting;  // nullptr: no launcher.ini
  const char* lcAll;
  const char* lcMessages;
  const char* lang;
  bool french;
};

class LanguageTest : public OpenReleaseTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(LanguageTest, PicksTheInterfaceLanguage) {
  const LanguageCase& c = GetParam();
#ifdef _WIN32
  if (!c.setting || !*c.setting)
    GTEST_SKIP() << "the Windows desktop's language is its user interface language, not the "
                    "locale variables";
#endif
  makeCompleteRelease();
  if (c.setting) testing::writeFile(user + "/launcher.ini", std::string("language = ") + c.setting);
  const std::string before = c.setting ? testing::readFile(user + "/launcher.ini") : "";
  testing::setOrUnset({{"LC_ALL", c.lcAll}, {"LC_MESSAGES", c.lcMessages}, {"LANG", c.lang}});
  uiFrench = !c.french;
  Opened opened;
  open(opened, release);
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

TEST_F(OpenReleaseTest, RelativeUserFolderIsMadeAbsoluteAndCreated) {
  testing::CwdGuard cwd(folder.path());
  setEnv("ZA2D_USER_DIR", "data/./saves/../user dir/");
  Opened opened;
  open(opened, release);
  const std::string expected =
      testing::nativePath(utf8String(fs::current_path()) + "/data/user dir");
  EXPECT_EQ(opened.layout.userDir, expected);
  EXPECT_TRUE(fs::is_directory(utf8Path(expected)));
  EXPECT_SAME_PATH(opened.layout.launcherIni, expected + "/launcher.ini");
}

TEST_F(OpenReleaseTest, EmptyUserDirVariableLetsAppDataDecide) {
  setEnv("ZA2D_USER_DIR", "");
  setEnv("APPDATA", folder / "appdata");
  Opened opened;
  open(opened, release);
  EXPECT_SAME_PATH(opened.layout.userDir, folder / "appdata/ZER_Avudud");
  EXPECT_TRUE(fs::is_directory(utf8Path(opened.layout.userDir)));
}

TEST_F(OpenReleaseTest, WithoutAppDataTheXdgRuleDecides) {
  setEnv("ZA2D_USER_DIR", "");
  setEnv("APPDATA", "");
  setEnv("XDG_DATA_HOME", folder / "xdg");
  Opened opened;
  open(opened, release);
  EXPECT_SAME_PATH(opened.layout.userDir, folder / "xdg/ZER_Avudud");

  setEnv("XDG_DATA_HOME", "");
  open(opened, release);
  EXPECT_SAME_PATH(opened.layout.userDir, folder / "home/.local/share/ZER_Avudud");
  EXPECT_TRUE(fs::is_directory(utf8Path(opened.layout.userDir)));

  // A relative XDG_DATA_HOME is invalid and ignored.
  setEnv("XDG_DATA_HOME", "relative/data");
  open(opened, release);
  EXPECT_SAME_PATH(opened.layout.userDir, folder / "home/.local/share/ZER_Avudud");
}

TEST_F(OpenReleaseTest, WithoutHomeTheExecutablesFolderDecidesEvenWithReleaseElsewhere) {
  setEnv("ZA2D_USER_DIR", "");
  setEnv("HOME", "");
  const std::string expected = testing::nativePath(exeFolder() + "/user");
  const bool existed = fs::exists(utf8Path(expected));
  Opened opened;
  open(opened, release);
  EXPECT_EQ(opened.layout.userDir, expected);
  EXPECT_EQ(opened.layout.releaseDir, release);
  EXPECT_SAME_PATH(opened.layout.sourceDir, release + "/source");
  EXPECT_TRUE(fs::is_directory(utf8Path(expected)));
  std::error_code error;
  if (!existed) fs::remove_all(utf8Path(expected), error);
}

TEST_F(OpenReleaseTest, ReleaseElsewhereMovesOnlyReleasePaths) {
  const std::string elsewhere = folder / "other place/rel";
  Opened opened;
  open(opened, elsewhere);
  EXPECT_EQ(opened.layout.releaseDir, elsewhere);
  EXPECT_SAME_PATH(opened.layout.gameExe, elsewhere + "/game/" + executableName("scf"));
  EXPECT_SAME_PATH(opened.layout.userDir, user);
  EXPECT_SAME_PATH(opened.missingItem, "source/tools/scf_build.py");
}

TEST_F(OpenReleaseTest, ReadsIdentityThenCleansOldFiles) {
  makeCompleteRelease();
  testing::writeFile(release + "/source/release.ini", "version = 0.9.0\ncommit = abc\n");
  testing::writeFile(release + "/CHANGELOG.md", "## [0.9.0] - 2026-11-02\n- New.\n");
  testing::writeFile(release + "/scf-launcher.scf-old", "old");
  testing::writeFile(release + "/update/old_files.txt", release + "/scf-launcher.scf-old\n");
  Opened opened;
  open(opened, release);
  EXPECT_EQ(opened.identity.releaseCommit, "abc");
  EXPECT_EQ(opened.identity.displayVersion, "0.9.0");
  EXPECT_EQ(opened.identity.changelogText, "- New.");
  EXPECT_FALSE(testing::exists(release + "/scf-launcher.scf-old"));
  EXPECT_FALSE(testing::exists(release + "/update"));
}

// Accents and spaces in the release folder, the user folder and the disc image path: every
// file is found, read and written under the name the user gave it.
TEST_F(OpenReleaseTest, NamesWithAccentsAndSpacesAreKept) {
  release = folder / "Jeux vidéo/Scrap Fury – édition";
  user = folder / "Données de l'utilisateur/Zoé";
  const std::string disc = folder / "Images disque/Scrap Fury (été).iso";
  setEnv("ZA2D_USER_DIR", user);
  makeCompleteRelease();
  testing::writeFile(disc, "disc");
  testing::writeFile(user + "/launcher.ini", "disc = " + disc + "\nlanguage = fr\n");
  testing::writeFile(user + "/video.ini", "size = 1600x900\n");
  testing::writeFile(release + "/source/release.ini", "version = 0.9.1\ncommit = abc\n");

  Opened opened;
  open(opened, release);
  EXPECT_EQ(opened.missingItem, "");
  EXPECT_SAME_PATH(opened.layout.userDir, user);
  EXPECT_SAME_PATH(opened.layout.pythonExe, release + kShippedPython);
  EXPECT_EQ(opened.settings.disc, disc);
  EXPECT_EQ(opened.video.width, 1600);
  EXPECT_EQ(opened.identity.displayVersion, "0.9.1");

  // Saved back in place, atomically, beside the file it replaces.
  opened.settings.motion = false;
  ASSERT_TRUE(opened.settings.save(opened.layout.launcherIni));
  opened.video.width = 1920;
  ASSERT_TRUE(opened.video.save(opened.layout.videoIni));
  LauncherSettings again;
  ASSERT_TRUE(again.load(user + "/launcher.ini"));
  EXPECT_EQ(again.disc, disc);
  EXPECT_FALSE(again.motion);
  VideoSettings video;
  ASSERT_TRUE(video.load(user + "/video.ini"));
  EXPECT_EQ(video.width, 1920);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(utf8Path(user)))
    names.push_back(utf8String(entry.path().filename()));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"launcher.ini", "video.ini"}))
      << "no temporary file is left behind";
}

}  // namespace
}  // namespace scf
