#pragma once

#include <string>

namespace scf {

// The path made absolute by putting the working folder in front of a relative one, and
// otherwise left exactly as given ("/m/link/../d.iso" stays so: with a symbolic link, folding
// ".." away would name another file). Empty stays empty, and a path that cannot be made
// absolute is returned as it is. Children run in their own working folder, so every path
// handed to one must not depend on ours.
std::string absolutePath(const std::string& path);

}  // namespace scf
