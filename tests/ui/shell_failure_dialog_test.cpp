// The dialog for a target the desktop did not open, drawn from a real failed hand-over.
#include "ui/dialogs/shell_failure_dialog.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "drawn_text.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "platform/shell.h"
#include "release/tr.h"
#include "support/test_support.h"

namespace scf {
namespace {

std::vector<DrawnRun> dialogRuns() {
  ImGuiWindow* window = ImGui::FindWindowByName("##shell-failure");
  if (window == nullptr || !window->Active) return {};
  return drawnRuns(window->DrawList);
}

std::string joined(const std::vector<DrawnRun>& runs) {
  std::string text;
  for (const DrawnRun& run : runs)
    text += run.text + "\n";
  return text;
}

// One frame of a window holding the dialog, as the main window holds it.
void dialogFrame() {
  ImGui::Begin("##test");
  drawShellFailureDialog();
  ImGui::End();
}

TEST(ShellFailureDialog, SaysTheOpenFailedShowsThePathAndCloses) {
  testing::TempFolder folder;
  testing::EnvGuard env{{"PATH"}};
#ifndef _WIN32
  // An xdg-open that answers as it does for a file that does not exist.
  testing::writeFile(folder / "bin/xdg-open", "#!/bin/sh\nexit 2\n");
  ::chmod((folder / "bin/xdg-open").c_str(), 0755);
  env.set("PATH", folder / "bin");
#endif
  const std::string target = folder / "absent é.txt";
  openInShell(target);
  ASSERT_TRUE(shellOpensSettled(30000));

  uiFrench = false;
  HeadlessGui gui;
  // The first frames open the popup and bake the glyphs it needs.
  for (int i = 0; i < 3; ++i)
    gui.bareFrame(dialogFrame);
  const std::vector<DrawnRun> runs = dialogRuns();
  EXPECT_TRUE(findRun(runs, "The desktop could not open this.")) << joined(runs);
  EXPECT_TRUE(findRun(runs, "absent é.txt"));
  EXPECT_TRUE(findRun(runs, "Close"));
  EXPECT_FALSE(takeShellFailure()) << "the dialog took the failure";

  // The path goes to the clipboard for opening by hand.
  const DrawnRun* copy = findRun(runs, "Copy the path");
  ASSERT_NE(copy, nullptr) << joined(runs);
  gui.click(ImVec2((copy->min.x + copy->max.x) / 2.0f, (copy->min.y + copy->max.y) / 2.0f),
            dialogFrame, true);
  const char* clipboard = ImGui::GetClipboardText();
  EXPECT_EQ(std::string(clipboard ? clipboard : ""), target);

  const std::vector<DrawnRun> after = dialogRuns();
  const DrawnRun* close = findRun(after, "Close");
  ASSERT_NE(close, nullptr);
  gui.click(ImVec2((close->min.x + close->max.x) / 2.0f, (close->min.y + close->max.y) / 2.0f),
            dialogFrame, true);
  gui.bareFrame(dialogFrame);
  EXPECT_TRUE(dialogRuns().empty()) << "the dialog stays closed";
}

}  // namespace
}  // namespace scf
