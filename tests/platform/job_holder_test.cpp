// The job holder of a captured run is a fresh image of the starting program, not a fork of it:
// a fork would share every page of the launcher's memory copy-on-write for the whole run.
// The program's command line stays out of the holder's.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace scf
#endif
