#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/process.h"

namespace scf {

struct ReleaseLayout;

// "--elf", bootFile, "--iso", discIso.
std::vector<std::string> gameArguments(const ReleaseLayout& layout);

// gameExe with gameArguments in gameDir. The game is started uncaptured: no job, its own
// session, the launcher's environment, so it outlives the launcher.
ChildCommand gameCommand(const ReleaseLayout& layout);

// The user folder; the launcher and the game must use the same one.
inline constexpr char envUserDir[] = "ZA2D_USER_DIR";
// Override the values of video.ini.
inline constexpr char envWindowSize[] = "ZA2D_WINDOW_SIZE";
inline constexpr char envWindowMode[] = "ZA2D_WINDOW_MODE";
inline constexpr char envRenderScale[] = "ZA2D_RENDER_SCALE";
inline constexpr char envGsScale[] = "ZA2D_GS_SCALE";
// Set by the self-test around one launch: crash delay in whole seconds.
inline constexpr char envTestCrash[] = "ZA2D_TEST_CRASH";
// Set by the self-test to envNoDialogsValue: the game shows no dialog that waits for a user.
inline constexpr char envNoDialogs[] = "ZA2D_NO_DIALOGS";
inline constexpr char envNoDialogsValue[] = "1";
// Set by the self-test: a folder for captures of the game's window.
inline constexpr char envCaptureWindowDir[] = "ZA2D_CAPTURE_WINDOW_DIR";

// A crash report is a file in crashesDir whose name ends in this.
inline constexpr std::string_view crashReportSuffix = ".txt";

// A game still running this long after the first close request is ended (exit code 1).
inline constexpr double gameCloseTimeoutSeconds = 30.0;

}  // namespace scf
