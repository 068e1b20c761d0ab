#pragma once

namespace scf {

// The interface language: true is French. Set at start from the settings or the desktop, then
// changed only by the language controls and the self-test.
extern bool uiFrench;

// Every text the user sees is written as an English and a French literal side by side.
inline const char* tr(const char* english, const char* french) {
  return uiFrench ? french : english;
}

}  // namespace scf
