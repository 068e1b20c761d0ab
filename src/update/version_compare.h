#pragma once

#include <string>
#include <string_view>

namespace scf {

// The value of the first "tag_name" key of a release document, scanned as bytes; empty when
// there is none or it is not a string.
std::string scanTagName(std::string_view body);

// 1 to 63 characters, each a letter, a digit or one of "._-+".
bool validTag(std::string_view tag);

// True when the release tag names a later version than the running one: major, minor, patch,
// then a final release before its pre-releases, then pre-release suffixes in byte order.
bool tagIsNewer(std::string_view tag, std::string_view running);

// The tag as shown to the user: without a leading "v" or "V".
std::string versionOfTag(std::string_view tag);

}  // namespace scf
