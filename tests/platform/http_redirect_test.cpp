// Which redirects an HTTP request may follow: the one decision both clients take.
#include "platform/http_redirect.h"

#include <gtest/gtest.h>

namespace scf {
namespace {

TEST(HttpRedirectTest, HttpsNeverGoesDownToHttp) {
  struct Case {
    const char* start;
    const char* target;
    bool allowed;
  };
  for (const Case& c : {
           Case{"https://host/a", "https://other/b", true},
           Case{"https://host/a", "HTTPS://other/b", true},
           Case{"https://host/a", "http://host/b", false},
           Case{"https://host/a", "HTTP://host/b", false},
           Case{"HTTPS://host/a", "Http://host/b", false},
           Case{"http://127.0.0.1:8765/a", "http://127.0.0.1:9/b", true},
           Case{"http://host/a", "https://host/b", true},
           Case{"HTTP://host/a", "http://host/b", true},
           Case{"https://host/a", "ftp://host/b", false},
           Case{"http://host/a", "file:///etc/passwd", false},
           Case{"http://host/a", "/relative", false},
           Case{"http://host/a", "", false},
           Case{"https://host/a", "httpx://host/b", false},
           Case{"httpsx://host/a", "http://host/b", false},
       }) {
    EXPECT_EQ(redirectAllowed(c.start, c.target), c.allowed) << c.start << " -> " << c.target;
  }
}

TEST(HttpRedirectTest, SchemesListedForCurlFollowTheSameRule) {
  EXPECT_EQ(redirectSchemes("https://host/a"), "https");
  EXPECT_EQ(redirectSchemes("HTTPS://host/a"), "https");
  EXPECT_EQ(redirectSchemes("http://host/a"), "http,https");
}

TEST(HttpRedirectTest, RefusalSaysWhy) {
  EXPECT_EQ(refusedRedirectText("http://host/b"),
            "the server redirected this https request to plain http, which is never followed: "
            "http://host/b");
  EXPECT_EQ(refusedRedirectText("ftp://host/b"),
            "the server redirected to an address that is neither http nor https: ftp://host/b");
}

}  // namespace
}  // namespace scf
