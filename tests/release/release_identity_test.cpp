#include "release/release_identity.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/build_info.h"
#include "release/changelog.h"
#include "release/rebuild_check.h"
#include "release/release_layout.h"
#include "support/test_support.h"

namespace scf {
namespace {

const char* const kChangelog =
    "# Changelog\n"
    "\n"
    "All notable changes are listed here.\n"
    "\n"
    "## [Unreleased]\n"
    "\n"
    "## [0.9.0] - 2026-11-02\n"
    "\n"
    "### Added\n"
    "- Enhanced textures.\n"
    "\n"
    "## [0.8.0] - 2026-09-14\r\n"
    "\r\n"
    "### Fixed\r\n"
    "- The build resumes after a stop.\r\n"
    "  See [notes][n].\r\n"
    "\r\n"
    "[0.9.0]: https://example.org/compare/v0.8.0...v0.9.0\n"
    "[0.8.0]: https://example.org/releases/v0.8.0\n"
    "[n]: https://example.org/notes\n";

struct SectionCase {
  const char* name;
  std::string text;
  std::string version;
  std::string expected;
};

class ChangelogSectionTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(ChangelogSectionTest, FindsTheVersionsText) {
  testing::TempFolder folder;
  const std::string path = folder / "CHANGELOG.md";
  testing::writeFile(path, GetParam().text);
  EXPECT_EQ(changelogSection(path, GetParam().version), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChangelogSectionTest,
    ::testing::Values(
        SectionCase{"LastSectionWithoutLinkDefinitions", kChangelog, "0.8.0",
                    "### Fixed\n- The build resumes after a stop.\n  See [notes][n]."},
        SectionCase{"SectionEndsAtNextHeading", kChangelog, "0.9.0",
                    "### Added\n- Enhanced textures."},
        SectionCase{"WantedVersionWithV", kChangelog, "v0.9.0", "### Added\n- Enhanced textures."},
        SectionCase{"BlankLinesBetweenParagraphsKept",
                    "## 0.8.0\n\nFirst paragraph,\nstill the first.\n\nSecond paragraph.\n\n\n"
                    "- An item.\n\n## 0.7.0\nOld.\n",
                    "0.8.0",
                    "First paragraph,\nstill the first.\n\nSecond paragraph.\n\n\n- An item."},
        SectionCase{"BlankLinesWithCarriageReturnsKept", "## 0.8.0\r\nOne.\r\n\r\nTwo.\r\n",
                    "0.8.0", "One.\n\nTwo."},
        SectionCase{"EmptySectionIsEmpty", kChangelog, "Unreleased", ""},
        SectionCase{"UnknownVersion", kChangelog, "1.0.0", ""},
        SectionCase{"HeadingWithV", "## v0.8.0\nFirst.\n", "0.8.0", "First."},
        SectionCase{"HeadingWithCapitalV", "## [V0.8.0]\nFirst.\n", "0.8.0", "First."},
        SectionCase{"ShortHeadingDoesNotMatch", "## 0.8\nShort.\n", "0.8.0", ""},
        SectionCase{"LongerHeadingDoesNotMatch", "## 0.8.0.1\nLonger.\n", "0.8.0", ""},
        SectionCase{"TabEndsTheWord", "## 0.8.0\t(beta)\nTabbed.\n", "0.8.0", "Tabbed."},
        SectionCase{"TwoHashesWithoutSpaceAreText", "## 0.8.0\n##note\n", "0.8.0", "##note"},
        SectionCase{"EmptyWordMatchesEmptyVersion", "## \nUntitled.\n## 1.0\nOther.\n", "",
                    "Untitled."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChangelogSection, MissingFileGivesEmpty) {
  testing::TempFolder folder;
  EXPECT_EQ(changelogSection(folder / "CHANGELOG.md", "0.8.0"), "");
}

// A release folder laid out as resolveLayout names it.
ReleaseLayout layoutIn(const std::string& releaseDir) {
  ReleaseLayout layout;
  layout.releaseDir = releaseDir;
  layout.releaseIni = releaseDir + "/source/release.ini";
  layout.builtFromIni = releaseDir + "/game/built_from.ini";
  layout.gameExe = releaseDir + "/game/scf";
  layout.bootFile = releaseDir + "/game/SXUS_902.10";
  return layout;
}

TEST(ReadReleaseIdentity, WithoutFilesTheBuildConstantsNameTheRelease) {
  testing::TempFolder folder;
  ReleaseIdentity identity;
  identity.builtFromCommit = "stale";
  readReleaseIdentity(layoutIn(folder.path()), identity);
  EXPECT_EQ(identity.releaseCommit, kSourceCommit);
  EXPECT_EQ(std::string(kSourceCommit).size(), 40u);
  EXPECT_EQ(identity.releaseVersion, "");
  EXPECT_EQ(identity.builtFromCommit, "");
  EXPECT_EQ(identity.displayVersion, "0.8.0");
  EXPECT_EQ(identity.changelogText, "");
}

TEST(ReadReleaseIdentity, ReadsReleaseAndBuiltFrom) {
  testing::TempFolder folder;
  testing::writeFile(folder / "source/release.ini",
                     "[release]\ncommit=abc\ncommit=def\nversion = 0.9.0\n");
  testing::writeFile(folder / "game/built_from.ini", "commit = 123\n");
  testing::writeFile(folder / "CHANGELOG.md", kChangelog);
  ReleaseIdentity identity;
  readReleaseIdentity(layoutIn(folder.path()), identity);
  EXPECT_EQ(identity.releaseCommit, "abc");
  EXPECT_EQ(identity.releaseVersion, "0.9.0");
  EXPECT_EQ(identity.builtFromCommit, "123");
  EXPECT_EQ(identity.displayVersion, "0.9.0");
  EXPECT_EQ(identity.changelogText, "### Added\n- Enhanced textures.");
}

TEST(ReadReleaseIdentity, ChangelogOnlyUnderSourceIsFound) {
  testing::TempFolder folder;
  testing::writeFile(folder / "source/CHANGELOG.md", kChangelog);
  ReleaseIdentity identity;
  readReleaseIdentity(layoutIn(folder.path()), identity);
  EXPECT_EQ(identity.displayVersion, "0.8.0");
  EXPECT_EQ(identity.changelogText,
            "### Fixed\n- The build resumes after a stop.\n  See [notes][n].");
}

TEST(ReadReleaseIdentity, ReleaseFolderChangelogWithoutTheVersionFallsBackToSource) {
  testing::TempFolder folder;
  testing::writeFile(folder / "CHANGELOG.md", "## 0.7.0\nOld.\n");
  testing::writeFile(folder / "source/CHANGELOG.md", "## 0.8.0\nFrom source.\n");
  ReleaseIdentity identity;
  readReleaseIdentity(layoutIn(folder.path()), identity);
  EXPECT_EQ(identity.changelogText, "From source.");
}

struct RebuildCase {
  const char* name;
  bool gameBuilt;
  bool bootFile;
  std::string releaseCommit;
  std::string builtFromCommit;
  bool expected;
};

class RebuildNeededTest : public ::testing::TestWithParam<RebuildCase> {};

TEST_P(RebuildNeededTest, ComparesCommitsOfABuiltGame) {
  testing::TempFolder folder;
  const ReleaseLayout layout = layoutIn(folder.path());
  if (GetParam().gameBuilt) testing::writeFile(layout.gameExe, "game");
  if (GetParam().bootFile) testing::writeFile(layout.bootFile, "elf");
  ReleaseIdentity identity;
  identity.releaseCommit = GetParam().releaseCommit;
  identity.builtFromCommit = GetParam().builtFromCommit;
  EXPECT_EQ(rebuildNeeded(layout, identity), GetParam().expected);
  EXPECT_EQ(gameIsBuilt(layout), GetParam().gameBuilt && GetParam().bootFile);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RebuildNeededTest,
    ::testing::Values(RebuildCase{"NewCodeInstalled", true, true, "def", "abc", true},
                      RebuildCase{"BuiltFromMissing", true, true, "def", "", true},
                      RebuildCase{"SameCommit", true, true, "abc", "abc", false},
                      RebuildCase{"NotBuilt", false, false, "def", "abc", false},
                      RebuildCase{"BootFileMissing", true, false, "def", "abc", false},
                      RebuildCase{"NoReleaseCommit", true, true, "", "abc", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RebuildNeeded, BuiltGameWithoutBuiltFromIniAfterReadingIdentity) {
  testing::TempFolder folder;
  const ReleaseLayout layout = layoutIn(folder.path());
  testing::writeFile(layout.gameExe, "game");
  testing::writeFile(layout.bootFile, "elf");
  ReleaseIdentity identity;
  readReleaseIdentity(layout, identity);
  EXPECT_TRUE(rebuildNeeded(layout, identity));
  testing::writeFile(layout.builtFromIni, std::string("commit=") + kSourceCommit + "\n");
  readReleaseIdentity(layout, identity);
  EXPECT_FALSE(rebuildNeeded(layout, identity));
}

}  // namespace
}  // namespace scf
