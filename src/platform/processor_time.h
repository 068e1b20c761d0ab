#pragma once

namespace scf {

// Processor time the launcher's process has used so far, every thread together, in seconds.
double processorSeconds();

}  // namespace scf
