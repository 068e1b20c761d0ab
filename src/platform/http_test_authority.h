#pragma once

#include <string>

namespace scf {

// For tests only: a certificate authority file (PEM) that https requests trust instead of the
// system's store, so that a test can serve https from 127.0.0.1 with a certificate it made.
// Certificates are verified exactly as always; empty (the launcher never sets it) means the
// system's store. The WinHTTP client always uses the system's store.
void setHttpTestAuthority(const std::string& pemFile);
std::string httpTestAuthority();

}  // namespace scf
