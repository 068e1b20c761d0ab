#include "platform/env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/language.h"
#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/utf16_win32.h"
#endif

namespace scf {
namespace {

// The variable as the system holds it for this process and the children it starts, bypassing
// getEnv/setEnv: unset, or set (perhaps to an empty text).
std::optional<std::string> systemValue(const std::string& name) {
#ifdef _WIN32
  wchar_t value[1024];
  SetLastError(ERROR_SUCCESS);
  const DWORD length = GetEnvironmentVariableW(widen(name).c_str(), value, 1024);
  if (length == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  return length < 1024 ? narrow(std::wstring_view(value, length)) : std::string("(too long)");
#else
  const char* value = std::getenv(name.c_str());
  return value ? std::optional<std::string>(value) : std::nullopt;
#endif
}

void setSystemValue(const std::string& name, const char* value) {
#ifdef _WIN32
  SetEnvironmentVariableW(widen(name).c_str(), value ? widen(value).c_str() : nullptr);
#else
  if (value) {
    ::setenv(name.c_str(), value, 1);
  } else {
    ::unsetenv(name.c_str());
  }
#endif
}

TEST(Env, SetGetAndRemove) {
  testing::EnvGuard env{{"SCF_ENV_TEST"}};
  setEnv("SCF_ENV_TEST", "Données été=1 ; x");
  EXPECT_EQ(getEnv("SCF_ENV_TEST"), "Données été=1 ; x");
  // Children started later see it too: it lives in the process's own environment.
  EXPECT_EQ(systemValue("SCF_ENV_TEST"), "Données été=1 ; x");

  setEnv("SCF_ENV_TEST", "");
  EXPECT_EQ(systemValue("SCF_ENV_TEST"), std::nullopt) << "an empty value removes the variable";
  EXPECT_EQ(getEnv("SCF_ENV_TEST"), "");

  // Longer than a first guess at the size.
  const std::string longValue(5000, 'v');
  setEnv("SCF_ENV_TEST", longValue);
  EXPECT_EQ(getEnv("SCF_ENV_TEST"), longValue);
}

TEST(Env, UnsetAndEmptyBothGiveEmpty) {
  testing::EnvGuard env{{"SCF_ENV_TEST"}};
  setSystemValue("SCF_ENV_TEST", nullptr);
  EXPECT_EQ(getEnv("SCF_ENV_TEST"), "");
  setSystemValue("SCF_ENV_TEST", "");
  EXPECT_EQ(systemValue("SCF_ENV_TEST"), "");
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
#ifdef _WIN32
  GTEST_SKIP() << "Windows takes the user's interface language, not locale variables";
#endif
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
