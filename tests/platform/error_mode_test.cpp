#include "platform/error_mode.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace scf {
namespace {

TEST(ErrorMode, NoSystemBoxForAMissingDiskOrFile) {
#ifndef _WIN32
  quietSystemErrorBoxes();
  GTEST_SKIP() << "only Windows raises error boxes of its own";
#else
  const UINT before = GetErrorMode();
  SetErrorMode(0);
  quietSystemErrorBoxes();
  const UINT mode = GetErrorMode();
  SetErrorMode(before);
  EXPECT_EQ(mode & SEM_FAILCRITICALERRORS, UINT{SEM_FAILCRITICALERRORS});
  EXPECT_EQ(mode & SEM_NOOPENFILEERRORBOX, UINT{SEM_NOOPENFILEERRORBOX});
#endif
}

}  // namespace
}  // namespace scf
