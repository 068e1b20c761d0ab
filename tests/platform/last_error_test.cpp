#include "platform/last_error.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace scf {
namespace {

#ifdef _WIN32
// Windows calls report through GetLastError. The texts depend on the system's language (and
// wine words them its own way), so only their being the system's, not a made-up one, is checked.
TEST(LastErrorText, GivesTheSystemsMessageForTheLastError) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  errno = EACCES;
  const std::string text = lastErrorText();
  EXPECT_EQ(text, errorText(ERROR_FILE_NOT_FOUND));
  EXPECT_NE(text, "error 2");
  EXPECT_NE(text, errorText(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(text.empty());
}
#else
TEST(LastErrorText, GivesTheSystemsMessageForTheLastError) {
  errno = ENOENT;
  EXPECT_EQ(lastErrorText(), "No such file or directory");
  EXPECT_EQ(errorText(EACCES), "Permission denied");
}
#endif

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
