#pragma once

#include <string>

namespace scf {

// A control group of the job's own (cgroup v2), where the system lets the launcher make one:
// every process the program starts stays in it whatever session or group it leaves for, and
// one write to its cgroup.kill ends them all at once. Where there is none (no cgroup v2, no
// right to write to the launcher's group, a kernel without cgroup.kill), jobs fall back to
// ending the tree by walking /proc.

// Makes an empty group for one job beside the launcher's processes; "" when the system offers
// none (or job groups are off, see setJobCgroupsOff).
std::string makeJobCgroup();

// Moves the calling process into the group. Async-signal-safe: called by the program between
// fork and exec. False when the system refused.
bool joinJobCgroup(const char* folder);

// SIGKILLs every process in the group and waits until none is left or the deadline (monotonic
// milliseconds, as jobMonotonicMilliseconds) passes. True when the group is empty.
// Async-signal-safe: the job holder may be a fork of a threaded launcher.
bool killJobCgroup(const char* folder, long deadline);

// Monotonic milliseconds, the clock of the deadlines above.
long jobMonotonicMilliseconds();

// Removes the group, ending what is still in it first (at most waitMilliseconds).
void removeJobCgroup(const std::string& folder, int waitMilliseconds);

// Removes the empty groups of launchers that are gone: one killed while it started a job, or
// whose holder was killed too, leaves its group behind (a group in use cannot be removed).
// The first makeJobCgroup of a process does it.
void sweepLeftJobCgroups();

// Test seam: with it set, jobs never get a group of their own and take the /proc road.
void setJobCgroupsOff(bool off);

}  // namespace scf
