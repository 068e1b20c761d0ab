#include "platform/http_redirect.h"

#include <cctype>

namespace scf {
namespace {

// The scheme of an absolute address in small letters, or nothing.
std::string schemeOf(const std::string& url) {
  std::string scheme;
  for (char c : url) {
    if (c == ':') return scheme;
    const auto letter = static_cast<unsigned char>(c);
    if (!std::isalnum(letter) && c != '+' && c != '-' && c != '.') return {};
    scheme += static_cast<char>(std::tolower(letter));
  }
  return {};
}

}  // namespace

bool redirectAllowed(const std::string& startUrl, const std::string& targetUrl) {
  const std::string target = schemeOf(targetUrl);
  if (target == "https") return true;
  return target == "http" && schemeOf(startUrl) == "http";
}

std::string redirectSchemes(const std::string& startUrl) {
  std::string schemes;
  for (const char* scheme : {"http", "https"}) {
    if (!redirectAllowed(startUrl, std::string(scheme) + "://host/")) continue;
    if (!schemes.empty()) schemes += ",";
    schemes += scheme;
  }
  return schemes;
}

std::string refusedRedirectText(const std::string& targetUrl) {
  const std::string scheme = schemeOf(targetUrl);
  if (scheme == "http") {
    return "the server redirected this https request to plain http, which is never followed: " +
           targetUrl;
  }
  return "the server redirected to an address that is neither http nor https: " + targetUrl;
}

}  // namespace scf
