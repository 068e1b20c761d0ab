#include "ui/screens/settings_tab.h"

#include <string>

#include "screen_fixture.h"
#include "ui/screens/video_section.h"

namespace scf {
namespace {

using ::testing::HasSubstr;

class SettingsTab : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    app.layout.videoIni = dir / "user/video.ini";
    std::filesystem::create_directories(app.layout.userDir);
    body = [&] { drawSettingsTab(app, kContentWidth); };
  }

  std::vector<DrawnRun> drawTab() {
    // Away from every control, so no pill is drawn hovered.
    gui->moveMouse(ImVec2(-100.0f, -100.0f));
    return draw(body);
  }

  // Clicks the run with exactly this text in the tab.
  void clickText(const std::string& text) {
    const auto runs = drawTab();
    const DrawnRun* run = exactRun(runs, text);
    ASSERT_TRUE(run) << text << "\n" << joined(runs);
    clickRun(*run, body);
  }

  // The runs of the open size list, which is a window of its own.
  std::vector<DrawnRun> sizeListRuns() {
    gui->frame(body);
    ImGuiContext& g = *ImGui::GetCurrentContext();
    if (g.OpenPopupStack.empty() || g.OpenPopupStack.back().Window == nullptr) return {};
    return drawnRuns(g.OpenPopupStack.back().Window->DrawList);
  }

  // Opens the size list from its preview and clicks the item with this text.
  void chooseSize(const std::string& preview, const std::string& item) {
    clickText(preview);
    const auto items = sizeListRuns();
    const DrawnRun* run = exactRun(items, item);
    ASSERT_TRUE(run) << item << "\n" << joined(items);
    clickRun(*run, body);
    gui->frame(body);
  }

  std::string videoIni() const { return testing::readFile(app.layout.videoIni); }

  std::function<void()> body;
};

TEST_F(SettingsTab, ChoosingTheDefaultWritesItsSizeWhileThePreviewKeepsItsName) {
  app.video.width = 1280;
  app.video.height = 720;
  auto runs = drawTab();
  EXPECT_FALSE(findRun(runs, "Saved.")) << "nothing saved yet\n" << joined(runs);

  chooseSize("1280 × 720", "Game default (640 × 448)");
  EXPECT_EQ(app.video.width, 0);
  EXPECT_EQ(app.video.height, 0);
  EXPECT_TRUE(app.video.loaded);
  EXPECT_THAT(videoIni(), HasSubstr("\nsize = 640x448\nmode = windowed\n"));
  runs = drawTab();
  EXPECT_TRUE(exactRun(runs, "Game default (640 × 448)")) << joined(runs);
  const DrawnRun* saved = exactRun(runs, "Saved. The game uses it the next time it starts.");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->colour, opaque(colGood));

  chooseSize("Game default (640 × 448)", "1600 × 900");
  EXPECT_EQ(app.video.width, 1600);
  EXPECT_EQ(app.video.height, 900);
  EXPECT_THAT(videoIni(), HasSubstr("\nsize = 1600x900\n"));
  EXPECT_TRUE(exactRun(drawTab(), "1600 × 900"));
}

TEST_F(SettingsTab, SizeListFollowsTheMonitorAndMarksTheCurrentSize) {
  app.video.width = 1024;
  app.video.height = 768;
  const auto runs = draw([&] { drawVideoSection(app, 1366, 768); });
  const DrawnRun* preview = exactRun(runs, "1024 × 768");
  ASSERT_TRUE(preview) << joined(runs);
  clickRun(*preview, [&] { drawVideoSection(app, 1366, 768); });
  body = [&] { drawVideoSection(app, 1366, 768); };
  const auto items = sizeListRuns();
  std::string listed;
  for (const DrawnRun& item : items)
    listed += item.text + "; ";
  EXPECT_EQ(listed,
            "Game default (640 × 448); 640 × 480; 800 × 600; 1024 × 768; 1280 × 720; "
            "1366 × 768; ");
}

TEST_F(SettingsTab, SavedLineOnlyAfterASaveInThisRun) {
  testing::writeFile(app.layout.videoIni, "[video]\nsize = 1280x720\nmode = fullscreen\n");
  ASSERT_TRUE(app.video.load(app.layout.videoIni));
  const std::string before = videoIni();
  auto runs = drawTab();
  EXPECT_FALSE(exactRun(runs, "Saved. The game uses it the next time it starts."))
      << "a file from an earlier run was not saved now";
  EXPECT_EQ(videoIni(), before) << "drawing alone writes nothing";
  clickText("Windowed");
  clickText("Full screen");
  runs = drawTab();
  SCOPED_TRACE(joined(runs));
  const DrawnRun* saved = exactRun(runs, "Saved. The game uses it the next time it starts.");
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->colour, opaque(colGood));
  EXPECT_TRUE(exactRun(runs, "1280 × 720"));
  EXPECT_EQ(exactRun(runs, "Full screen")->colour, opaque(colText)) << "the selected mode";
  EXPECT_EQ(exactRun(runs, "Windowed")->colour, opaque(colMuted));
}

TEST_F(SettingsTab, BorderlessHidesTheSizeListAndKeepsTheSize) {
  app.video.width = 1280;
  app.video.height = 720;
  clickText("Borderless window");
  EXPECT_EQ(app.video.mode, "borderless");
  EXPECT_THAT(videoIni(), HasSubstr("\nsize = 1280x720\nmode = borderless\n"));
  auto runs = drawTab();
  SCOPED_TRACE(joined(runs));
  EXPECT_FALSE(findRun(runs, "×")) << "no size list";
  const DrawnRun* note = exactRun(runs, "The monitor's own size.");
  ASSERT_TRUE(note);
  EXPECT_EQ(note->colour, opaque(colMuted));
  EXPECT_EQ(exactRun(runs, "Borderless window")->colour, opaque(colText));
  EXPECT_TRUE(exactRun(runs, "Saved. The game uses it the next time it starts."));

  clickText("Full screen");
  EXPECT_EQ(app.video.mode, "fullscreen");
  EXPECT_THAT(videoIni(), HasSubstr("\nsize = 1280x720\nmode = fullscreen\n"));
  runs = drawTab();
  EXPECT_TRUE(exactRun(runs, "1280 × 720"));
  EXPECT_FALSE(exactRun(runs, "The monitor's own size."));
}

TEST_F(SettingsTab, SavingKeepsTheGamesOwnKeys) {
  testing::writeFile(app.layout.videoIni,
                     "[video]\nmode = windowed\nrender_scale = 2\ngs_scale = 3\nvsync = 1\n");
  ASSERT_TRUE(app.video.load(app.layout.videoIni));
  clickText("Full screen");
  EXPECT_EQ(videoIni(), std::string(kVideoIniHeader) +
                            "size = 640x448\nmode = fullscreen\nrender_scale = 2\ngs_scale = "
                            "3\nvsync = 1\n");
  EXPECT_EQ(app.video.width, 0);
}

TEST_F(SettingsTab, LauncherSwitchesSaveAtOnce) {
  struct Case {
    const char* click;
    const char* after;  // the pill's text once clicked
    const char* fileLine;
  };
  const Case cases[] = {
      {"Background motion: on", "Background motion: off", "\nmotion = 0\n"},
      {"Background motion: off", "Background motion: on", "\nmotion = 1\n"},
      {"Check for updates at start: on", "Check for updates at start: off", "\nupdate_check = 0\n"},
      {"Check for updates at start: off", "Check for updates at start: on", "\nupdate_check = 1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.click);
    clickText(c.click);
    EXPECT_THAT(testing::readFile(app.layout.launcherIni), HasSubstr(c.fileLine));
    const auto runs = drawTab();
    const DrawnRun* after = exactRun(runs, c.after);
    ASSERT_TRUE(after) << joined(runs);
    EXPECT_EQ(after->colour, opaque(std::string(c.after).ends_with("on") ? colText : colMuted))
        << "a switch that is on is drawn selected";
  }
}

TEST_F(SettingsTab, LanguagePillsSwitchAndSave) {
  clickText("Français");
  EXPECT_TRUE(uiFrench);
  EXPECT_THAT(testing::readFile(app.layout.launcherIni), HasSubstr("\nlanguage = fr\n"));
  auto runs = drawTab();
  SCOPED_TRACE(joined(runs));
  EXPECT_EQ(exactRun(runs, "Français")->colour, opaque(colText));
  EXPECT_EQ(exactRun(runs, "English")->colour, opaque(colMuted));

  clickText("English");
  EXPECT_FALSE(uiFrench);
  EXPECT_THAT(testing::readFile(app.layout.launcherIni), HasSubstr("\nlanguage = en\n"));
}

TEST_F(SettingsTab, EveryTextInBothLanguages) {
  struct Case {
    const char* english;
    const char* french;
  };
  const Case cases[] = {
      {"Window", "Fenêtre"},
      {"Windowed", "Fenêtré"},
      {"Full screen", "Plein écran"},
      {"Borderless window", "Fenêtre sans bordure"},
      {"Resolution", "Résolution"},
      {"Game default (640 × 448)", "Par défaut (640 × 448)"},
      {"Saved. The game uses it the next time it starts.",
       "Enregistré. Le jeu l'utilisera au prochain démarrage."},
      {"Launcher", "Lanceur"},
      {"English", "English"},
      {"Français", "Français"},
      {"Background motion: on", "Animation du fond : oui"},
      {"Check for updates at start: on", "Vérifier les mises à jour au démarrage : oui"},
      {"It only asks GitHub for the latest version number; nothing is downloaded or sent.",
       "Il demande seulement à GitHub le numéro de la dernière version ; rien n'est "
       "téléchargé ni envoyé."},
  };
  app.videoSaved = true;
  for (bool french : {false, true}) {
    uiFrench = french;
    const auto runs = drawTab();
    SCOPED_TRACE(joined(runs));
    EXPECT_TRUE(exactRun(runs, french ? "Réglages" : "Settings", opaque(colText)));
    EXPECT_TRUE(findRun(runs, french ? "Les commandes, la vidéo et les astuces"
                                     : "Controls, video and cheats are in the game"));
    for (const Case& c : cases)
      EXPECT_TRUE(exactRun(runs, french ? c.french : c.english)) << c.english;
  }
  uiFrench = true;
  app.settings.motion = false;
  app.settings.updateCheck = false;
  app.video.mode = "borderless";
  const auto runs = drawTab();
  SCOPED_TRACE(joined(runs));
  for (const char* text : {"Animation du fond : non",
                           "Vérifier les mises à jour au démarrage : non", "La taille de l'écran."})
    EXPECT_TRUE(exactRun(runs, text)) << text;
}

TEST_F(SettingsTab, TexturePanelInTheRightHalfAndLauncherOptionsBelowBothColumns) {
  app.videoSaved = true;
  // A reason long enough to make the right column clearly the taller one.
  app.enhance.runError.clear();
  for (int line = 0; line < 5; ++line)
    app.enhance.runError += "The texture script stopped for a long reason that fills a line. ";
  app.enhance.runError += "The right column ends lower than the left one does.";
  const auto runs = drawTab();
  SCOPED_TRACE(joined(runs));
  const DrawnRun* window = exactRun(runs, "Window");
  const DrawnRun* saved = exactRun(runs, "Saved. The game uses it the next time it starts.");
  const DrawnRun* panel = exactRun(runs, "Enhanced textures (AI)");
  const DrawnRun* error = findRun(runs, "than the left one does.");
  const DrawnRun* launcher = exactRun(runs, "Launcher");
  const DrawnRun* english = exactRun(runs, "English");
  const DrawnRun* motion = exactRun(runs, "Background motion: on");
  const DrawnRun* updates = exactRun(runs, "Check for updates at start: on");
  ASSERT_TRUE(window && saved && panel && error && launcher && english && motion && updates);
  // Glyph tops differ by a pixel or two between letters, hence the tolerance.
  EXPECT_NEAR(panel->min.y, window->min.y, 3.0f) << "both columns start on one line";
  EXPECT_GE(panel->min.x, window->min.x + kContentWidth / 2.0f + 12.0f);
  EXPECT_LT(saved->max.x, panel->min.x);
  EXPECT_GT(error->min.y, saved->max.y) << "the right column is the taller one here";
  EXPECT_GT(launcher->min.y, error->max.y);
  EXPECT_NEAR(launcher->min.x, window->min.x, 1.0f);
  EXPECT_NEAR(motion->min.y, english->min.y, 1.0f) << "one line";
  EXPECT_GT(updates->min.y, english->max.y);
}

}  // namespace
}  // namespace scf
