#pragma once

#include <string>
#include <string_view>

namespace scf {

// UTF-8 inside the launcher, UTF-16 only at a Windows call. Invalid sequences become U+FFFD
// rather than failing: a path the user picked can always be shown, even when damaged.
std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);

}  // namespace scf
