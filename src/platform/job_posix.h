#pragma once

#include <string>
#include <vector>

namespace scf {

// A program started inside a job: a holder process (a fresh image of the launcher's own
// executable, which never reaches main; a fork of the launcher where that cannot start) that
// is the subreaper of the program's whole tree and ends that tree when asked to, when the
// launcher's end of the control socket closes (teardown or the launcher's death, even by
// SIGKILL), or when the launcher process goes away.
//
// Control socket: the launcher writes jobKillCommand to end the tree at once, jobCloseCommand
// to send the program SIGTERM; the holder writes the program's wait status (an int) once it
// has reaped it.
struct Job {
  int holderPid = -1;
  int programPid = -1;  // also the program's process group
  int control = -1;     // the launcher's end of the control socket
  int output = -1;      // read end of the program's merged standard output and error
  std::string cgroup;   // the job's own control group's folder; "": none (see job_cgroup_posix.h)
};

inline constexpr char jobKillCommand = 'k';
inline constexpr char jobCloseCommand = 't';

// Starts program (a full path, never looked up on PATH) with standard input from /dev/null
// and its output on one pipe. On failure returns false with the system's message, for
// example why exec failed, and leaves nothing running.
bool startJob(const std::string& program, const std::vector<std::string>& arguments,
              const std::string& workingFolder, Job& job, std::string& error);

// How long endJob may wait for the holder to end the tree: the holder gives up killing a
// little earlier. The tree is normally gone in milliseconds; the rest is room for a machine
// so busy that killed processes wait for the processor to end.
inline constexpr int jobEndMilliseconds = 4000;

// Closes the control socket (if still open), which makes the holder end the tree, and reaps
// the holder, waiting at most milliseconds before killing it (the tree is then ended through
// its control group, or left to the program's parent-death signal), then removes the job's
// group. The output descriptor is the caller's to close.
void endJob(Job& job, int milliseconds);

}  // namespace scf
