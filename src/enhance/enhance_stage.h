#pragma once

namespace scf {

struct EnhanceRun;

// What the panel says while a run goes on, from the stage the script named last.
const char* enhanceStageText(const EnhanceRun& run);

}  // namespace scf
