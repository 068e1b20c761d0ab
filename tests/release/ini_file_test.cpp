#include "release/ini_file.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/test_support.h"

namespace scf {
namespace {

using Values = std::map<std::string, std::string>;

struct ReaderCase {
  const char* name;
  std::string text;
  bool stripComments;
  Values expected;
};

class ReadIniFileTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReadIniFileTest, FollowsTheLineRules) {
  testing::TempFolder folder;
  const std::string path = folder / "settings.ini";
  testing::writeFile(path, GetParam().text);
  const IniFile file = readIniFile(path, GetParam().stripComments);
  EXPECT_TRUE(file.opened);
  EXPECT_EQ(file.values, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadIniFileTest,
    ::testing::Values(
        ReaderCase{"HashInValueKeptWithoutStripping",
                   "disc = D:\\games\\x#1.iso\n",
                   false,
                   {{"disc", "D:\\games\\x#1.iso"}}},
        ReaderCase{"CommentCutWhenStripping",
                   "mode = borderless # the monitor\n",
                   true,
                   {{"mode", "borderless"}}},
        ReaderCase{"HashAnywhereCutsTheLine", "a#b = 1\nc = 2\n", true, {{"c", "2"}}},
        ReaderCase{"HeadersCommentsAndBareLinesSkipped",
                   "[video]\n; note = x\n# old = y\nno equals here\n\nkey = v\n",
                   false,
                   {{"key", "v"}}},
        ReaderCase{"BlankKeyIsStoredUnderEmptyKey", "  = lonely\n", false, {{"", "lonely"}}},
        ReaderCase{"SpacesTabsAndCarriageReturnsTrimmed",
                   " \tkey\t =  some value \t\r\n",
                   false,
                   {{"key", "some value"}}},
        ReaderCase{"SplitAtTheFirstEquals", "url = a=b=c\n", false, {{"url", "a=b=c"}}},
        ReaderCase{"LaterLineWins",
                   "mode = windowed\nmode = borderless\n",
                   true,
                   {{"mode", "borderless"}}},
        ReaderCase{
            "KeysInAnySectionCount", "[one]\na = 1\n[two]\nb = 2", false, {{"a", "1"}, {"b", "2"}}},
        ReaderCase{"EmptyValueKept", "audio =\n", true, {{"audio", ""}}},
        ReaderCase{"EmptyFile", "", true, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadIniFile, MissingFileOrFolderIsNotOpened) {
  testing::TempFolder folder;
  EXPECT_FALSE(readIniFile(folder / "absent.ini", false).opened);
  EXPECT_FALSE(readIniFile(folder.path(), false).opened);
}

struct ValueCase {
  const char* name;
  std::string text;
  std::string key;
  std::string expected;
};

class IniValueTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(IniValueTest, FindsTheFirstMatchingLine) {
  testing::TempFolder folder;
  const std::string path = folder / "release.ini";
  testing::writeFile(path, GetParam().text);
  EXPECT_EQ(iniValue(path, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, IniValueTest,
    ::testing::Values(ValueCase{"FirstOfDuplicatesWins", "commit=abc\ncommit=def\n", "commit",
                                "abc"},
                      ValueCase{"SpacesAroundEquals", "version = 0.9.0\n", "version", "0.9.0"},
                      ValueCase{"LeadingSpaceHidesTheKey", " version=0.9.0\n", "version", ""},
                      ValueCase{"TrailingSpacesOfValueKept", "version=1.0  \n", "version", "1.0  "},
                      ValueCase{"OneCarriageReturnRemoved", "commit=abc\r\n", "commit", "abc"},
                      ValueCase{"CommentLineSkipped", "#commit=old\ncommit=new\n", "commit", "new"},
                      ValueCase{"SectionHeaderSkipped", "[release]\ncommit=abc", "commit", "abc"},
                      ValueCase{"MissingKey", "version=1\n", "commit", ""},
                      ValueCase{"PrefixOfKeyDoesNotMatch", "commitx=1\n", "commit", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniValue, MissingFileGivesEmpty) {
  testing::TempFolder folder;
  EXPECT_EQ(iniValue(folder / "absent.ini", "commit"), "");
}

}  // namespace
}  // namespace scf
