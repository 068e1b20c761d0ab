#include "platform/last_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace scf {
namespace {

TEST(LastErrorText, GivesTheSystemsMessageForTheLastError) {
  errno = ENOENT;
  EXPECT_EQ(lastErrorText(), "No such file or directory");
  EXPECT_EQ(errorText(EACCES), "Permission denied");
}

TEST(LastErrorText, NamesCodesTheSystemDoesNotKnow) {
  EXPECT_EQ(errorText(99999), "error 99999");
  EXPECT_EQ(errorText(-5), "error -5");
}

TEST(LastErrorText, NeverEndsInAFullStopOrLineEnd) {
  for (int code = 0; code < 200; ++code) {
    std::string text = errorText(code);
    ASSERT_FALSE(text.empty()) << code;
    char last = text.back();
    EXPECT_TRUE(last != '.' && last != '\r' && last != '\n') << code << ": " << text;
  }
}

}  // namespace
}  // namespace scf
