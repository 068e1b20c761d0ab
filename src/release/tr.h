#pragma once

#include <initializer_list>
#include <string>

namespace scf {

// The interface language: true is French. Set at start from the settings or the desktop, then
// changed only by the language controls and the self-test.
extern bool uiFrench;

// Every text the user sees is written as an English and a French literal side by side.
inline const char* tr(const char* english, const char* french) {
  return uiFrench ? french : english;
}

// A text kept to be shown later (a result line, a reason): made with tr in the language of its
// moment, and said again in the language current when it is drawn.
struct TextPair {
  const char* english;
  const char* french;
};
inline const char* tr(const TextPair& text) {
  return tr(text.english, text.french);
}
// The kept text in the current language when it is one of known, or begins with one of them (a
// sentence's start followed by a number or the system's words); any other text as it is.
std::string sayNow(const std::string& kept, std::initializer_list<TextPair> known);

}  // namespace scf
