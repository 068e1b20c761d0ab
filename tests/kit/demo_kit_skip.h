#pragma once

// The demo kit's tools and build scripts run on the build machine's Python. A Windows test
// program under wine cannot run Linux Python and read its output, so tests that need the demo
// kit start with SCF_SKIP_WITHOUT_DEMO_KIT().

#include <gtest/gtest.h>

namespace scf_kit_test {

inline const char* const kNoDemoKitHere =
    "the demo kit needs Python for Windows; the kit road under wine is covered by the self-test "
    "with the stand-in interpreter";

}  // namespace scf_kit_test

#ifdef _WIN32
#define SCF_SKIP_WITHOUT_DEMO_KIT() GTEST_SKIP() << scf_kit_test::kNoDemoKitHere
#else
#define SCF_SKIP_WITHOUT_DEMO_KIT() static_cast<void>(0)
#endif
