#include "platform/env.h"
#include "platform/language.h"

namespace scf {

std::string defaultLanguage() {
  // The C library's own precedence: LC_ALL overrides LC_MESSAGES, which overrides LANG.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const std::string value = getEnv(name);
    if (!value.empty()) return value.starts_with("fr") ? "fr" : "en";
  }
  return "en";
}

}  // namespace scf
