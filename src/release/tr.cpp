#include "release/tr.h"

namespace scf {

bool uiFrench = false;

std::string sayNow(const std::string& kept, std::initializer_list<TextPair> known) {
  for (const TextPair& text : known) {
    for (const char* made : {text.english, text.french}) {
      const std::string start(made);
      if (kept.compare(0, start.size(), start) == 0) return tr(text) + kept.substr(start.size());
    }
  }
  return kept;
}

}  // namespace scf
