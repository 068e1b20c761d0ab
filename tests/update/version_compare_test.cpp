#include "update/version_compare.h"

#include <gtest/gtest.h>

#include <string>

namespace scf {
namespace {

TEST(ScanTagName, FindsTheFirstQuotedValueAfterTheKey) {
  struct Case {
    const char* body;
    const char* tag;
  };
  const Case cases[] = {
      {R"({"tag_name" : "v0.9.0"})", "v0.9.0"},
      {"{\"tag_name\":\r\n\t \"0.8.1\", \"tag_name\": \"9.9.9\"}", "0.8.1"},
      {R"({"tag_name": null})", ""},
      {R"({"tag_name": "unterminated)", ""},
      {R"({"tag_name" "v1"})", ""},
      {R"({"name": "tag_name", "x": 1})", ""},  // a value, not the quoted key followed by ":"
      {R"({"tag_name": "a\"b"})", "a\\"},       // no escape sequences
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(scanTagName(c.body), c.tag) << c.body;
}

TEST(ValidTag, AllowsOnlyShortPlainTags) {
  EXPECT_TRUE(validTag("v0.9.0"));
  EXPECT_TRUE(validTag("v0.8.0+build7"));
  EXPECT_TRUE(validTag(std::string(63, 'a')));
  EXPECT_FALSE(validTag(std::string(64, 'a')));
  EXPECT_FALSE(validTag(""));
  EXPECT_FALSE(validTag("v0.9/0"));
  EXPECT_FALSE(validTag("v0.9 0"));
  EXPECT_FALSE(validTag("v0.9.0\n"));
}

TEST(TagIsNewer, ComparesNumbersThenSuffixes) {
  struct Case {
    const char* tag;
    const char* running;
    bool newer;
  };
  const Case cases[] = {
      {"v0.9.0", "0.8.0", true},        {"0.8.0", "0.8.0", false},
      {"0.8.0-rc1", "0.8.0", false},    {"0.8.1", "0.8.0", true},
      {"0.10.0", "0.8.0", true},        {"v0.8.0+build7", "0.8.0", false},
      {"release-1", "0.8.0", false},    {"V1.0.0", "0.8.0", true},
      {"0.7.9", "0.8.0", false},        {"1.0.0", "1.0.0-rc2", true},
      {"1.0.0-rc2", "1.0.0-rc1", true}, {"1.0.0-rc1", "1.0.0-rc2", false},
      {"0.8.0", "garbage", true},       {"0.8", "0.8.0", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tagIsNewer(c.tag, c.running), c.newer) << c.tag << " against " << c.running;
  }
}

TEST(VersionOfTag, DropsOneLeadingV) {
  EXPECT_EQ(versionOfTag("v0.9.0"), "0.9.0");
  EXPECT_EQ(versionOfTag("V0.9.0"), "0.9.0");
  EXPECT_EQ(versionOfTag("vv1"), "v1");
  EXPECT_EQ(versionOfTag("0.9.0"), "0.9.0");
}

}  // namespace
}  // namespace scf
