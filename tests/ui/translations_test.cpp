// A guard over the source: every tr(english, french) written with literals has two non-empty
// texts with the same printf conversions, and the two differ unless the word is the same in
// both languages.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace scf {
namespace {

namespace fs = std::filesystem;

struct Pair {
  std::string where;
  std::string english;
  std::string french;
};

// The value of adjacent string literals: "a" "b" → ab (escapes are kept as written).
std::string joinLiterals(const std::string& literals) {
  static const std::regex literal(R"re("((?:[^"\\]|\\.)*)")re");
  std::string out;
  for (std::sregex_iterator it(literals.begin(), literals.end(), literal), end; it != end; ++it) {
    out += (*it)[1].str();
  }
  return out;
}

std::vector<Pair> literalPairs() {
  static const std::regex call(
      R"re(\btr\(\s*((?:"(?:[^"\\]|\\.)*"\s*)+),\s*((?:"(?:[^"\\]|\\.)*"\s*)+)\))re");
  std::vector<Pair> pairs;
  for (const auto& entry : fs::recursive_directory_iterator(fs::path(SCF_SOURCE_DIR) / "src")) {
    if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
    std::ifstream in(entry.path());
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    for (std::sregex_iterator it(source.begin(), source.end(), call), end; it != end; ++it) {
      const auto line = std::count(source.begin(), source.begin() + it->position(), '\n') + 1;
      pairs.push_back({entry.path().filename().string() + ":" + std::to_string(line),
                       joinLiterals((*it)[1].str()), joinLiterals((*it)[2].str())});
    }
  }
  return pairs;
}

std::vector<std::string> conversions(const std::string& text) {
  static const std::regex conversion(R"re(%[-+ #0-9.]*[a-zA-Z%])re");
  std::vector<std::string> out;
  for (std::sregex_iterator it(text.begin(), text.end(), conversion), end; it != end; ++it) {
    out.push_back(it->str());
  }
  return out;
}

TEST(Translations, EveryPairHasTwoTextsWithTheSameConversions) {
  const std::set<std::string> sameInBoth = {"Maintenance"};
  const std::vector<Pair> pairs = literalPairs();
  ASSERT_GE(pairs.size(), 10u) << "the guard no longer finds the texts";
  for (const Pair& pair : pairs) {
    EXPECT_FALSE(pair.english.empty()) << pair.where;
    EXPECT_FALSE(pair.french.empty()) << pair.where;
    EXPECT_EQ(conversions(pair.english), conversions(pair.french)) << pair.where;
    if (!sameInBoth.contains(pair.english)) {
      EXPECT_NE(pair.english, pair.french) << pair.where << " is not translated";
    }
  }
}

}  // namespace
}  // namespace scf
