// The job holder of a captured run is a fresh image of the starting program, not a fork of it:
// a fork would share every page of the launcher's memory copy-on-write for the whole run.
// The program's command line stays out of the holder's.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/job_cgroup_posix.h"
#include "platform/job_posix.h"
#include "process_test_support.h"

namespace scf {
namespace {

std::string procFile(int pid, const char* name) {
  std::ifstream file("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// The resident memory of a process, in KiB (-1 when unknown).
long residentKiB(int pid) {
  std::istringstream status(procFile(pid, "status"));
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

TEST(JobHolder, IsAFreshImageHoldingNoneOfTheStartersMemory) {
  // Memory the starter has written: a forked holder would hold all of it as its own.
  constexpr std::size_t kTouched = std::size_t{256} << 20;
  std::vector<char> touched(kTouched);
  std::memset(touched.data(), 1, touched.size());

  Job job;
  std::string error;
  ASSERT_TRUE(startJob(test::processHelper, {"sleep", "5"}, "", job, error)) << error;
  const std::string command = procFile(job.holderPid, "cmdline");
  const long resident = residentKiB(job.holderPid);
  const int output = job.output;
  endJob(job, jobEndMilliseconds);
  close(output);

  EXPECT_EQ(command.substr(0, command.find('\0')), "scf-job-holder");
  // The program's command line is the program's own: tools that find the kit by it do not
  // find the holder as well.
  EXPECT_EQ(command.find(test::processHelper), std::string::npos);
  ASSERT_GT(resident, 0);
  EXPECT_LT(resident, static_cast<long>(kTouched / 2 / 1024))
      << "the holder holds the starter's pages";
  EXPECT_EQ(touched[kTouched - 1], 1);
}

// Whether the system gives jobs a control group of their own here (cgroup v2, a group the
// user may write, a kernel with cgroup.kill); the tests of that road are skipped elsewhere.
bool jobGroupsHere() {
  const std::string probe = makeJobCgroup();
  removeJobCgroup(probe, 0);
  return !probe.empty();
}

// The cgroup v2 line of a process, "" when it is gone.
std::string groupOf(int pid) {
  std::istringstream lines(procFile(pid, "cgroup"));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("0::", 0) == 0) return line.substr(3);
  }
  return "";
}

TEST(JobGroup, TheProgramRunsInTheJobsOwnGroupWhichGoesWithTheJob) {
  if (!jobGroupsHere()) GTEST_SKIP() << "no control group of its own for a job on this system";
  Job job;
  std::string error;
  ASSERT_TRUE(startJob(test::processHelper, {"sleep", "30"}, "", job, error)) << error;
  const std::string folder = job.cgroup;
  ASSERT_FALSE(folder.empty());
  // Moved before exec: the program never runs outside it.
  EXPECT_EQ(std::filesystem::path(groupOf(job.programPid)).filename(),
            std::filesystem::path(folder).filename());
  const int output = job.output;
  const int program = job.programPid;
  endJob(job, jobEndMilliseconds);
  close(output);
  EXPECT_TRUE(test::processGone(program));
  EXPECT_FALSE(std::filesystem::exists(folder)) << "the job's group outlived it";
}

// A holder killed before it could end the tree: the launcher's end of the job ends what is
// left in the group, whatever sessions it made.
TEST(JobGroup, WhatAKilledHolderLeftIsEndedThroughTheGroup) {
  if (!jobGroupsHere()) GTEST_SKIP() << "no control group of its own for a job on this system";
  test::TempFolder folder;
  const std::string pidFile = folder.file("pids");
  Job job;
  std::string error;
  ASSERT_TRUE(startJob("/bin/sh", {SCF_PROCESS_TREE_SCRIPT, pidFile}, "", job, error)) << error;
  const std::vector<int> pids = test::readTreePids(pidFile, 60000);
  ASSERT_EQ(pids.size(), 6u);
  const std::string group = job.cgroup;
  ::kill(job.holderPid, SIGKILL);
  const int output = job.output;
  endJob(job, jobEndMilliseconds);
  close(output);
  int left = 0;
  for (int pid : pids) {
    if (test::processGone(pid)) continue;
    ++left;
    ::kill(pid, SIGKILL);
  }
  EXPECT_EQ(left, 0) << "processes of the tree outlived their killed holder";
  EXPECT_FALSE(std::filesystem::exists(group));
}

TEST(JobGroup, GroupsLeftByLaunchersThatAreGoneAreRemoved) {
  if (!jobGroupsHere()) GTEST_SKIP() << "no control group of its own for a job on this system";
  const std::string probe = makeJobCgroup();
  const std::filesystem::path own = std::filesystem::path(probe).parent_path();
  removeJobCgroup(probe, 0);
  // A pid that no process has any more: a child that ended and was reaped.
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  ASSERT_GT(gone, 0);
  waitpid(gone, nullptr, 0);
  const std::filesystem::path left = own / ("scf-job-" + std::to_string(gone) + "-3");
  const std::filesystem::path inUse = own / ("scf-job-" + std::to_string(getpid()) + "-999");
  ASSERT_TRUE(std::filesystem::create_directory(left));
  ASSERT_TRUE(std::filesystem::create_directory(inUse));
  sweepLeftJobCgroups();
  EXPECT_FALSE(std::filesystem::exists(left)) << "a gone launcher's group was kept";
  EXPECT_TRUE(std::filesystem::exists(inUse)) << "a live launcher's group was removed";
  std::filesystem::remove(inUse);
}

}  // namespace
}  // namespace scf
#endif
