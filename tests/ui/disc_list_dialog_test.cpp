// The in-window list of disc images: what it shows while searching and after, and that picking
// an image checks it like a file chosen in the desktop's dialog.
#include "ui/dialogs/disc_list_dialog.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/disc_actions.h"
#include "platform/clock.h"
#include "platform/disc_places.h"
#include "platform/folder_entries.h"
#include "prepare/disc_list.h"
#include "screen_fixture.h"
#include "support/running_tasks.h"
#include "ui/screens/welcome.h"
#include "ui/widget_trace.h"

namespace scf {
namespace {

class DiscListDialogTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    ImGui::GetIO().ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    env.set(kDiscPlacesVariable, places());
    app.layout.pythonExe = dir / "kit/python/missing-python";
    app.layout.buildScript = dir / "source/scf_build.py";
    app.layout.sourceDir = dir / "source";
    testing::writeFile(app.layout.buildScript, "");
  }
  void TearDown() override {
    app.discList.hide();
    DiscSearch::beforeEntry = nullptr;
    for (Task task : testing::kAllTasks)
      testing::markRunning(app, task, false);
    ScreenTest::TearDown();
  }

  std::string places() const { return dir / "places"; }

  // An image `age` hours old in the searched place.
  std::string plant(const std::string& relative, int age) {
    const std::string path = places() + "/" + relative;
    testing::writeFile(path, "image");
    std::error_code error;
    std::filesystem::last_write_time(
        utf8Path(path), std::filesystem::file_time_type::clock::now() - std::chrono::hours(age),
        error);
    return path;
  }

  void body() { drawDiscListDialog(app); }
  // The same for frames that open their own windows (a key press).
  void bareBody() {
    ImGui::Begin("##test");
    body();
    ImGui::End();
  }

  // One frame as the frame loop makes it: the turn's polls, then the window.
  void turn() {
    app.discList.poll();
    gui->frame([this] { body(); });
    endTraceFrame();
  }

  // Turns until the search has ended (ten seconds at most), then two more to draw the list.
  void waitForList() {
    const double deadline = nowSeconds() + 10.0;
    while (app.discList.searching && nowSeconds() < deadline) {
      turn();
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(app.discList.searching);
    turn();
    turn();
  }

  // The text the dialog drew, its list of rows included.
  std::vector<DrawnRun> dialogRuns() {
    std::vector<DrawnRun> runs;
    for (ImGuiWindow* window : GImGui->Windows) {
      if (!window->Active || std::string(window->Name).rfind("##disc-list", 0) != 0) continue;
      const std::vector<DrawnRun> own = drawnRuns(window->DrawList);
      runs.insert(runs.end(), own.begin(), own.end());
    }
    return runs;
  }

  testing::EnvGuard env{kDiscPlacesVariable};
};

TEST_F(DiscListDialogTest, ShowsSearchingThenTheImagesNewestFirstInBothLanguages) {
  plant("older.iso", 48);
  plant("Mes jeux/Scrapfury (USA).cue", 1);
  // The search waits for the test, so "Searching…" is on screen for certain.
  auto release = std::make_shared<std::atomic<bool>>(false);
  DiscSearch::beforeEntry = [release] {
    while (!*release)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  };
  for (const bool french : {false, true}) {
    SCOPED_TRACE(french ? "French" : "English");
    uiFrench = french;
    *release = false;
    app.discList.show();
    turn();
    turn();
    std::vector<DrawnRun> runs = dialogRuns();
    EXPECT_TRUE(findRun(runs, tr("Searching…", "Recherche…"))) << joined(runs);
    EXPECT_TRUE(
        findRun(runs, tr("Disc images on this computer", "Images disque sur cet ordinateur")));
    *release = true;
    waitForList();
    runs = dialogRuns();
    const DrawnRun* newer = findRun(runs, "Scrapfury (USA).cue");
    const DrawnRun* older = findRun(runs, "older.iso");
    ASSERT_NE(newer, nullptr) << joined(runs);
    ASSERT_NE(older, nullptr) << joined(runs);
    EXPECT_LT(newer->max.y, older->min.y) << "the newest image comes first";
    // The folder is shown with the system's own separator throughout.
    std::string folder = places() + kFolderSeparator + "Mes jeux";
    std::replace(folder.begin(), folder.end(), '/', kFolderSeparator);
    EXPECT_TRUE(findRun(runs, folder)) << joined(runs);
    EXPECT_TRUE(findRun(runs, tr("Close", "Fermer"))) << joined(runs);
    EXPECT_FALSE(findRun(runs, tr("Searching…", "Recherche…")));
    app.discList.hide();
    turn();
  }
}

TEST_F(DiscListDialogTest, NothingFoundSaysWhereItLookedAndOffersTheFileDialog) {
  for (const bool french : {false, true}) {
    uiFrench = french;
    app.discList.show();
    waitForList();
    const std::vector<DrawnRun> runs = dialogRuns();
    EXPECT_TRUE(findRun(runs, tr("No disc image", "Aucune image disque"))) << joined(runs);
    EXPECT_TRUE(findRun(runs, places())) << joined(runs);
    EXPECT_TRUE(findRun(runs, tr("Select your disc image…", "Choisir votre image disque…")));
    app.discList.hide();
  }
}

TEST_F(DiscListDialogTest, EscapeAndCloseCloseTheList) {
  plant("a.iso", 1);
  app.discList.show();
  waitForList();
  gui->pressKey(ImGuiKey_Escape, [this] { bareBody(); });
  EXPECT_FALSE(app.discList.open);

  app.discList.show();
  waitForList();
  const std::vector<DrawnRun> runs = dialogRuns();
  const DrawnRun* close = findRun(runs, "Close");
  ASSERT_NE(close, nullptr);
  clickRun(*close, [this] { body(); });
  EXPECT_FALSE(app.discList.open);
}

// A pick the task table refuses keeps the list open and says why, in either language.
TEST_F(DiscListDialogTest, APickRefusedByTheTaskTableSaysWhyInTheList) {
  plant("a.iso", 1);
  testing::markRunning(app, Task::build, true);
  for (const bool french : {false, true}) {
    uiFrench = french;
    app.discList.show();
    waitForList();
    const std::vector<DrawnRun> rows = dialogRuns();
    const DrawnRun* row = findRun(rows, "a.iso");
    ASSERT_NE(row, nullptr);
    clickRun(*row, [this] { body(); });
    turn();
    EXPECT_TRUE(app.discList.open);
    EXPECT_FALSE(app.discCheck.discChecking);
    const std::string why = refusalText(app.refusal);
    ASSERT_FALSE(why.empty());
    const std::vector<DrawnRun> runs = dialogRuns();
    EXPECT_NE(joined(runs).find(why.substr(0, 20)), std::string::npos) << why << "\n"
                                                                       << joined(runs);
    app.discList.hide();
  }
}

// Enter on the first row, where the focus lands, checks the newest image; a kit that cannot be
// started answers as it does for a file chosen in the desktop's dialog.
TEST_F(DiscListDialogTest, EnterPicksTheNewestImageAndItIsChecked) {
  plant("old.iso", 20);
  const std::string newest = plant("new.iso", 1);
  app.discList.show();
  waitForList();
  // A keyboard user's focus shows (the launcher shows it after the first key).
  ImGui::SetNavCursorVisible(true);
  // The rows are named by the images they show, as every control is.
  EXPECT_EQ(focusedWidget(), "new.iso");
  gui->pressKey(ImGuiKey_Enter, [this] { bareBody(); });
  EXPECT_EQ(lastActivatedWidget(), "new.iso");
  turn();
  EXPECT_FALSE(app.discList.open);
  EXPECT_EQ(app.discCheck.verdictKind, DiscCheck::Verdict::couldNotCheck);
  EXPECT_EQ(app.discCheck.discVerdict, "The disc could not be checked.");
}

// The welcome screen offers the list beside the file dialog, on the same line when it fits and
// below when it does not, and a click opens it.
TEST_F(DiscListDialogTest, TheWelcomeScreenOffersTheListBesideTheFileDialog) {
  app.screen = kScreenWelcome;
  struct Case {
    bool french;
    float width;
    bool sameLine;
  };
  for (const Case c : {Case{false, kContentWidth, true}, Case{true, kContentWidth, true},
                       Case{true, 420.0f, false}}) {
    uiFrench = c.french;
    const auto body = [&] { drawWelcome(app, c.width); };
    const auto narrow = [&] {
      ImGui::BeginChild("##narrow", ImVec2(c.width, 600.0f));
      body();
      ImGui::EndChild();
    };
    gui->frame(narrow);
    gui->frame(narrow);
    std::vector<DrawnRun> runs;
    for (ImGuiWindow* window : GImGui->Windows) {
      if (!window->Active) continue;
      const std::vector<DrawnRun> own = drawnRuns(window->DrawList);
      runs.insert(runs.end(), own.begin(), own.end());
    }
    const DrawnRun* select =
        findRun(runs, tr("Select your disc image…", "Choisir votre image disque…"));
    const DrawnRun* find = findRun(runs, tr("Find disc images", "Chercher les images disque"));
    ASSERT_NE(select, nullptr) << joined(runs);
    ASSERT_NE(find, nullptr) << joined(runs);
    EXPECT_EQ(find->min.y > select->max.y, !c.sameLine) << c.width;
    EXPECT_LE(find->max.x, c.width + 8.0f);
    gui->click(ImVec2((find->min.x + find->max.x) / 2.0f, (find->min.y + find->max.y) / 2.0f),
               narrow);
    EXPECT_TRUE(app.discList.open);
    app.discList.hide();
  }
}

#ifndef _WIN32
// With a kit that accepts every image, the picked image becomes the disc.
TEST_F(DiscListDialogTest, APickedImageIsCheckedAndBecomesTheDisc) {
  app.screen = kScreenWelcome;
  app.settings.disc.clear();
  testing::writeFile(app.layout.pythonExe, "#!/bin/sh\necho OK accepted\n");
  ::chmod(app.layout.pythonExe.c_str(), 0755);
  plant("older.iso", 30);
  const std::string picked = plant("my disc é.iso", 2);
  app.discList.show();
  waitForList();
  ASSERT_EQ(app.discList.result.discs.size(), 2u);
  EXPECT_TRUE(pickDiscFromList(app, 0));
  EXPECT_FALSE(app.discList.open);
  EXPECT_TRUE(app.discCheck.discChecking);
  EXPECT_EQ(app.discCheck.checkedImage, picked);
  const double deadline = nowSeconds() + 10.0;
  while (app.discCheck.discChecking && nowSeconds() < deadline) {
    pollDiscCheck(app);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(app.settings.disc, picked);
  EXPECT_EQ(app.screen, kScreenMain);
}
#endif

}  // namespace
}  // namespace scf
