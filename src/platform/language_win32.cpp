#include <windows.h>

#include "platform/language.h"

namespace scf {

std::string defaultLanguage() {
  // Any French (France, Canada, Belgium, Switzerland...) counts: only the primary language.
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_FRENCH ? "fr" : "en";
}

}  // namespace scf
