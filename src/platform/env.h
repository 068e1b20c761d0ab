#pragma once

#include <string>

namespace scf {

// The variable's value, or an empty string when it is unset or empty.
std::string getEnv(const std::string& name);

// Sets the variable for this process and the children it starts later; an empty value removes it.
// Only the UI thread may call this: other threads (libcurl) read the environment unlocked.
void setEnv(const std::string& name, const std::string& value);

}  // namespace scf
