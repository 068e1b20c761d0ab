#pragma once

#include <string>

namespace scf {

// Hands a folder, file or web address to the desktop's default handler. Returns at once and
// reports nothing: the handler runs on its own, outside the launcher's session.
void openInShell(const std::string& target);

}  // namespace scf
