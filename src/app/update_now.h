#pragma once

namespace scf {

struct App;

// --update-now: once the update check has found a newer release, starts its install as soon as
// the task table lets it start. Until then the request waits; it is dropped only once the
// install has begun or has failed for a reason of its own. Called once per turn.
void followUpdateNow(App& app);

}  // namespace scf
