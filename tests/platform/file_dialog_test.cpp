#include "platform/file_dialog.h"

#include <SDL3/SDL_hints.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <thread>

#include "support/test_support.h"

namespace scf {
namespace {

TEST(FileDialogSlot, OneAnswerTakenOnceTheNewestKept) {
  FileDialogSlot slot;
  EXPECT_FALSE(slot.take().has_value());
  slot.put({FileDialogAnswer::Kind::chosen, "/a.iso", ""});
  slot.put({FileDialogAnswer::Kind::chosen, "/b.iso", ""});
  const std::optional<FileDialogAnswer> answer = slot.take();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->path, "/b.iso");
  EXPECT_FALSE(slot.take().has_value());
}

TEST(FileDialogSlot, AnAnswerFromAnotherThreadReachesTheTaker) {
  FileDialogSlot slot;
  std::thread dialog([&] { slot.put({FileDialogAnswer::Kind::chosen, "/disc.iso", ""}); });
  std::optional<FileDialogAnswer> answer;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!answer && std::chrono::steady_clock::now() < deadline)
    answer = slot.take();
  dialog.join();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->kind, FileDialogAnswer::Kind::chosen);
  EXPECT_EQ(answer->path, "/disc.iso");
}

// Neither a desktop portal nor zenity: the dialog answers with the toolkit's error, and a
// later dialog can be shown again.
TEST(FileDialog, NoDialogProgramAnswersFailed) {
  testing::TempFolder empty;
  testing::EnvGuard env;
  env.set("PATH", empty.path());
  SDL_SetHint(SDL_HINT_FILE_DIALOG_DRIVER, "zenity");
  for (int attempt = 0; attempt < 2; ++attempt) {
    ASSERT_TRUE(showOpenFileDialog(nullptr, "Title", {{"Disc images", "iso;bin;cue"}}));
    std::optional<FileDialogAnswer> answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!answer && std::chrono::steady_clock::now() < deadline) {
      answer = takeFileDialogAnswer();
      if (!answer) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->kind, FileDialogAnswer::Kind::failed);
    EXPECT_FALSE(answer->error.empty());
  }
  SDL_ResetHint(SDL_HINT_FILE_DIALOG_DRIVER);
}

}  // namespace
}  // namespace scf
