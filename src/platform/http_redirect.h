#pragma once

#include <string>

namespace scf {

// Whether a request that began at startUrl may follow a redirect to targetUrl (both absolute):
// only http and https are followed, and a request that began on https never goes down to plain
// http. Plain http stays possible where the caller asked for it by starting on http.
bool redirectAllowed(const std::string& startUrl, const std::string& targetUrl);

// The schemes a request that began at startUrl may be redirected to, comma-separated as curl
// lists protocols: "https", or "http,https" for a request that began on plain http.
std::string redirectSchemes(const std::string& startUrl);

// The error text of a redirect that redirectAllowed refuses.
std::string refusedRedirectText(const std::string& targetUrl);

}  // namespace scf
