#pragma once

#include <string>

namespace scf {

// The desktop user's interface language: "fr" for French, otherwise "en".
std::string defaultLanguage();

}  // namespace scf
