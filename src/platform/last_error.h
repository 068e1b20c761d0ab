#pragma once

#include <string>

namespace scf {

// The system's message for an error code, without a trailing full stop or line end;
// "error N" when the system has no text for the code.
std::string errorText(int code);

// errorText of the calling thread's last error (errno).
std::string lastErrorText();

}  // namespace scf
