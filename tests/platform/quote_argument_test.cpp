#include "platform/quote_argument.h"

#include <gtest/gtest.h>

#include <string>

namespace scf {
namespace {

TEST(QuoteArgument, FollowsTheWindowsCommandLineRule) {
  struct Case {
    std::string argument;
    std::string quoted;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {R"(C:\path\)", R"(C:\path\)"},  // backslashes alone need no quotes
      {R"(C:\My Games\disc.iso)", R"("C:\My Games\disc.iso")"},
      {R"(C:\dir with space\)", R"("C:\dir with space\\")"},
      {R"(say "hi")", R"("say \"hi\"")"},
      {R"(a\\"b)", R"("a\\\\\"b")"},
      {"", R"("")"},
      {"tab\there", "\"tab\there\""},
      {"line\nfeed", "\"line\nfeed\""},
      {"v\vtab", "\"v\vtab\""},
      {"\xC3\xA9t\xC3\xA9 \xC3\xA0", "\"\xC3\xA9t\xC3\xA9 \xC3\xA0\""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(quoteArgument(c.argument), c.quoted) << c.argument;
}

TEST(QuoteArgument, JoinsProgramAndArgumentsWithSpaces) {
  EXPECT_EQ(windowsCommandLine(R"(C:\Program Files\py\python.exe)", {"-I", "", "x y"}),
            R"("C:\Program Files\py\python.exe" -I "" "x y")");
}

}  // namespace
}  // namespace scf
