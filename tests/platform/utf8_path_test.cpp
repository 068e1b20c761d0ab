#include "platform/utf8_path.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_open.h"
#include "support/test_support.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

// Names outside any ANSI code page: one wrong narrow conversion on the way to or from the
// system turns them into other names, or into question marks.
const std::vector<std::string>& names() {
  static const std::vector<std::string> kNames = {
      "plain.txt",
      "with spaces in it.txt",
      "Données été à l'œuvre.ini",
      "Ärger Öl Übel ß.txt",
      "游戏光盘 ゲーム 게임.iso",
      "🎮 disc 🚗💥.log",
      "Ελληνικά и кириллица.txt",
  };
  return kNames;
}

TEST(Utf8Path, RoundTripsEveryName) {
  for (const std::string& name : names()) {
    SCOPED_TRACE(name);
    EXPECT_EQ(utf8String(utf8Path(name)), name);
    // Folders and file names keep their parts, each still the same text.
    const fs::path joined = utf8Path("Dossier été") / utf8Path(name);
    EXPECT_EQ(utf8String(joined.filename()), name);
    EXPECT_EQ(utf8String(joined.parent_path()), "Dossier été");
  }
  EXPECT_EQ(utf8String(utf8Path("")), "");
}

// The path made from a UTF-8 string names the same file as one made from the same text in
// the system's own encoding: UTF-8 literals are the reference on every system.
TEST(Utf8Path, MeansTheTextAsUtf8) {
  struct Case {
    std::string utf8;
    fs::path reference;
  };
  const std::vector<Case> cases = {
      {"été", fs::path(u8"été")},
      {"游戏", fs::path(u8"游戏")},
      {"🎮 x", fs::path(u8"🎮 x")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(utf8Path(c.utf8), c.reference);
    EXPECT_EQ(utf8Path(c.utf8).native(), c.reference.native());
  }
}

// Text that is not UTF-8 (a damaged settings file, a stray byte in a list) never throws.
// Linux names are bytes and keep every one; Windows names are UTF-16, where each byte that
// starts no well-formed sequence becomes U+FFFD.
TEST(Utf8Path, TakesTextThatIsNotUtf8WithoutThrowing) {
  constexpr bool kUtf16Names = sizeof(fs::path::value_type) == 2;
  struct Case {
    std::string text;
    std::string onWindows;
  };
  const std::vector<Case> cases = {
      {"bad \xff\xfe name", "bad \uFFFD\uFFFD name"},
      {"cut \xc3", "cut \uFFFD"},
      {"overlong \xc0\xaf", "overlong \uFFFD\uFFFD"},
      // The C++ library takes an encoded surrogate into the name as a lone one: one U+FFFD back.
      {"surrogate \xed\xa0\x80", "surrogate \uFFFD"},
      {"beyond \xf4\x90\x80\x80", "beyond \uFFFD\uFFFD\uFFFD\uFFFD"},
      {"latin-1 caf\xe9.iso", "latin-1 caf\uFFFD.iso"},
      {"mixed \xe9t\xc3\xa9", "mixed \uFFFDt\xc3\xa9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string back;
    EXPECT_NO_THROW(back = utf8String(utf8Path(c.text)));
    EXPECT_EQ(back, kUtf16Names ? c.onWindows : c.text);
  }
}

TEST(Utf8Path, SpellsUnpairedSurrogatesAsReplacementCharacters) {
  if constexpr (sizeof(fs::path::value_type) == 1) {
    GTEST_SKIP() << "Linux names are bytes: a name cannot hold a lone UTF-16 surrogate";
  } else {
    const std::vector<std::pair<std::wstring, std::string>> cases = {
        {L"lone \xd800 high", "lone \uFFFD high"},
        {L"lone \xdc00 low", "lone \uFFFD low"},
        {L"end \xd83c", "end \uFFFD"},
        {L"pair \xd83c\xdfae ok \xd800", "pair 🎮 ok \uFFFD"},
    };
    for (const auto& [name, expected] : cases) {
      SCOPED_TRACE(expected);
      std::string text;
      EXPECT_NO_THROW(text = utf8String(fs::path(name)));
      EXPECT_EQ(text, expected);
    }
  }
}

// A file made through openFile carries exactly its name on disk (the folder's listing shows
// it), and is found again by openFile, by std::filesystem and by an fstream.
TEST(OpenFile, CreatesAndReadsFilesWithAnyName) {
  testing::TempFolder folder;
  ASSERT_FALSE(folder.path().empty());
  std::set<std::string> expected;
  for (const std::string& name : names()) {
    SCOPED_TRACE(name);
    const std::string path = folder / name;
    std::FILE* out = openFile(path, "wb");
    ASSERT_NE(out, nullptr);
    EXPECT_GE(std::fputs(name.c_str(), out), 0);
    EXPECT_EQ(std::fclose(out), 0);
    expected.insert(name);

    std::FILE* in = openFile(path, "rb");
    ASSERT_NE(in, nullptr);
    std::string text(name.size() + 8, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), in));
    std::fclose(in);
    EXPECT_EQ(text, name);

    std::error_code error;
    EXPECT_TRUE(fs::is_regular_file(utf8Path(path), error));
    EXPECT_EQ(fs::file_size(utf8Path(path), error), name.size());
    std::ifstream stream(utf8Path(path), std::ios::binary);
    std::string first;
    std::getline(stream, first);
    EXPECT_EQ(first, name);
  }

  std::set<std::string> listed;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(utf8Path(folder.path()), error))
    listed.insert(utf8String(entry.path().filename()));
  EXPECT_FALSE(error);
  EXPECT_EQ(listed, expected);
}

TEST(OpenFile, FailsWithNullForAMissingFileOrFolder) {
  testing::TempFolder folder;
  const std::vector<std::string> cases = {
      folder / "absent é.txt",
      folder / "absent 游戏/file.txt",
  };
  for (const std::string& path : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(openFile(path, "rb"), nullptr);
  }
  // Writing does not make missing folders either.
  EXPECT_EQ(openFile(folder / "absent 游戏/file.txt", "wb"), nullptr);
}

}  // namespace
}  // namespace scf
