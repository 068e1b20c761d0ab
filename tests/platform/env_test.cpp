#include "platform/env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/language.h"
#include "support/test_support.h"

namespace scf {
namespace {

TEST(Env, SetGetAndRemove) {
  testing::EnvGuard env{{"SCF_ENV_TEST"}};
  setEnv("SCF_ENV_TEST", "Données été=1 ; x");
  EXPECT_EQ(getEnv("SCF_ENV_TEST"), "Données été=1 ; x");
  // Children started later see it too: it lives in the process's own environment.
  ASSERT_NE(std::getenv("SCF_ENV_TEST"), nullptr);
  EXPECT_STREQ(std::getenv("SCF_ENV_TEST"), "Données été=1 ; x");

  setEnv("SCF_ENV_TEST", "");
  EXPECT_EQ(std::getenv("SCF_ENV_TEST"), nullptr) << "an empty value removes the variable";
  EXPECT_EQ(getEnv("SCF_ENV_TEST"), "");
}

TEST(Env, UnsetAndEmptyBothGiveEmpty) {
  testing::EnvGuard env{{"SCF_ENV_TEST"}};
  ::unsetenv("SCF_ENV_TEST");
  EXPECT_EQ(getEnv("SCF_ENV_TEST"), "");
  ::setenv("SCF_ENV_TEST", "", 1);
  EXPECT_EQ(getEnv("SCF_ENV_TEST"), "");
}

struct LanguageCase {
  const char* lcAll;
  const char* lcMessages;
  const char* lang;
  const char* expected;
};

class DefaultLanguageTest : public ::testing::TestWithParam<LanguageCase> {};

TEST_P(DefaultLanguageTest, FirstNonEmptyLocaleVariableDecides) {
  testing::EnvGuard env{{"LC_ALL", "LC_MESSAGES", "LANG"}};
  const LanguageCase& c = GetParam();
  testing::setOrUnset({{"LC_ALL", c.lcAll}, {"LC_MESSAGES", c.lcMessages}, {"LANG", c.lang}});
  EXPECT_EQ(defaultLanguage(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, DefaultLanguageTest,
                         ::testing::Values(LanguageCase{nullptr, nullptr, nullptr, "en"},
                                           LanguageCase{nullptr, nullptr, "fr_FR.UTF-8", "fr"},
                                           LanguageCase{nullptr, nullptr, "fr", "fr"},
                                           LanguageCase{nullptr, nullptr, "de_DE.UTF-8", "en"},
                                           LanguageCase{nullptr, nullptr, "C", "en"},
                                           LanguageCase{"en_US", nullptr, "fr_FR", "en"},
                                           LanguageCase{"", "fr_CA", "en_US", "fr"},
                                           LanguageCase{"fr_BE", "en_US", "en_US", "fr"},
                                           LanguageCase{nullptr, "", "fr_CH", "fr"},
                                           LanguageCase{nullptr, nullptr, "FR_fr", "en"}));

}  // namespace
}  // namespace scf
