#include "ui/screens/maintenance_tab.h"

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "screen_fixture.h"
#include "ui/screens/installed_version_line.h"

namespace scf {
namespace {

// Polls until done() holds, for at most ten seconds.
bool waitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

#ifndef _WIN32
// A release host on the loopback that takes connections and never answers, so a check stays
// running until the test lets it fail.
class SilentHost {
 public:
  SilentHost() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (listener_ < 0 ||
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener_, 8) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~SilentHost() { hangUp(); }
  SilentHost(const SilentHost&) = delete;
  SilentHost& operator=(const SilentHost&) = delete;

  std::string url() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/repos/o/r/releases/latest";
  }

  // Takes the connections that arrive within the wait; returns how many were taken so far.
  int accepted(int waitMs) {
    pollfd ready{listener_, POLLIN, 0};
    while (listener_ >= 0 && ::poll(&ready, 1, waitMs) == 1) {
      const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (connection < 0) break;
      connections_[count_ < 8 ? count_ : 7] = connection;
      ++count_;
      waitMs = 0;
    }
    return count_;
  }

  // Closes every connection and the listener: a waiting client sees the connection end.
  void hangUp() {
    for (int i = 0; i < count_ && i < 8; ++i)
      ::close(connections_[i]);
    count_ = 0;
    if (listener_ >= 0) ::close(listener_);
    listener_ = -1;
  }

 private:
  int listener_ = -1;
  int port_ = 0;
  int connections_[8] = {};
  int count_ = 0;
};
#endif

class MaintenanceTab : public ScreenTest {
 protected:
  std::vector<DrawnRun> drawTab() {
    gui->moveMouse(ImVec2(-100.0f, -100.0f));
    return draw([&] { drawMaintenanceTab(app, kContentWidth); });
  }
  std::vector<DrawnRun> drawTab(const UpdateCheckView& check) {
    gui->moveMouse(ImVec2(-100.0f, -100.0f));
    return draw([&] { drawMaintenanceTab(app, check, kContentWidth); });
  }

  // Whether the button with this label is drawn enabled (a disabled one keeps 102 of 255
  // alpha on its label).
  static bool enabledButton(const std::vector<DrawnRun>& runs, const char* label) {
    const DrawnRun* run = exactRun(runs, label);
    EXPECT_TRUE(run) << label;
    return run != nullptr && (run->colour >> IM_COL32_A_SHIFT) == 255;
  }

  void clickButton(const char* label) {
    const auto runs = drawTab();
    const DrawnRun* run = exactRun(runs, label);
    ASSERT_TRUE(run) << label << "\n" << joined(runs);
    clickRun(*run, [&] { drawMaintenanceTab(app, kContentWidth); });
  }
};

UpdateCheckView checkIn(int state, bool manual, const char* latest = "", const char* error = "") {
  UpdateCheckView view;
  view.state = state;
  view.manual = manual;
  view.latestVersion = latest;
  view.errorText = error;
  return view;
}

TEST_F(MaintenanceTab, VersionLineForEachStateOfTheCheck) {
  struct Case {
    UpdateCheckView check;
    const char* english;
    const char* french;
  };
  const Case cases[] = {
      {checkIn(kUpdateIdle, false), "This is version 0.8.0.", "Version installée : 0.8.0."},
      {checkIn(kUpdateChecking, true), "This is version 0.8.0. Checking…",
       "Version installée : 0.8.0. Vérification…"},
      {checkIn(kUpdateUpToDate, false), "This is version 0.8.0. It is the latest.",
       "Version installée : 0.8.0. C'est la plus récente."},
      {checkIn(kUpdateAvailable, false, "0.9.1"),
       "This is version 0.8.0. Version 0.9.1 is available (Play tab).",
       "Version installée : 0.8.0. La version 0.9.1 est disponible (onglet Jouer)."},
      {checkIn(kUpdateFailed, true, "", "HTTP 403"), "This is version 0.8.0.",
       "Version installée : 0.8.0."},
      // The check at start failed: nothing to say.
      {checkIn(kUpdateFailed, false, "", "HTTP 403"), "This is version 0.8.0.",
       "Version installée : 0.8.0."},
  };
  for (const Case& c : cases) {
    for (bool french : {false, true}) {
      uiFrench = french;
      const std::string expected = french ? c.french : c.english;
      EXPECT_EQ(installedVersionLine(c.check), expected);
      const auto runs = drawTab(c.check);
      const DrawnRun* line = exactRun(runs, expected);
      ASSERT_TRUE(line) << expected << "\n" << joined(runs);
      EXPECT_EQ(line->colour, opaque(colMuted));
      const DrawnRun* button =
          exactRun(runs, french ? "Vérifier les mises à jour" : "Check for updates");
      ASSERT_TRUE(button);
      EXPECT_NEAR(line->min.y, button->min.y, 20.0f) << "the line stands beside its button";
    }
  }
}

TEST_F(MaintenanceTab, CheckButtonDisabledOnlyWhileChecking) {
  for (int state :
       {kUpdateIdle, kUpdateChecking, kUpdateUpToDate, kUpdateAvailable, kUpdateFailed}) {
    const auto runs = drawTab(checkIn(state, true));
    EXPECT_EQ(enabledButton(runs, "Check for updates"), state != kUpdateChecking) << state;
  }
}

TEST_F(MaintenanceTab, ButtonsEnabledByTheTasksAndFolders) {
  struct Case {
    const char* name;
    bool discChosen;
    bool building;
    bool gameRunning;
    bool buildLogs;
    bool rebuild;
    bool changeDisc;
    bool openBuildLogs;
  };
  const Case cases[] = {
      {"idle", true, false, false, true, true, true, true},
      {"no disc ever chosen", false, false, false, false, false, true, false},
      {"building", true, true, false, true, false, false, true},
      {"game running", true, false, true, true, false, false, true},
      {"no build logs yet", true, false, false, false, true, true, false},
  };
  const std::string disc = app.settings.disc;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app.settings.disc = c.discChosen ? disc : "";
    app.build.building = c.building;
    app.game.gameRunning = c.gameRunning;
    std::filesystem::remove_all(app.layout.buildLogsDir);
    if (c.buildLogs) std::filesystem::create_directories(app.layout.buildLogsDir);
    const auto runs = drawTab(checkIn(kUpdateIdle, false));
    SCOPED_TRACE(joined(runs));
    EXPECT_EQ(enabledButton(runs, "Rebuild"), c.rebuild);
    EXPECT_EQ(enabledButton(runs, "Change disc image"), c.changeDisc);
    EXPECT_EQ(enabledButton(runs, "Open build logs"), c.openBuildLogs);
    EXPECT_TRUE(enabledButton(runs, "Open saves folder"));
    EXPECT_TRUE(enabledButton(runs, "Open game logs"));
    EXPECT_TRUE(enabledButton(runs, "Check for updates"));
  }
  app.build.building = false;
}

TEST_F(MaintenanceTab, EveryRowInBothLanguages) {
  struct Case {
    const char* english;
    const char* french;
  };
  const std::string saves = app.layout.userDir;
  const Case cases[] = {
      {"Rebuild", "Reconstruire"},
      {"After an update: builds the game again (only what changed).",
       "Après une mise à jour : reconstruit le jeu (seulement ce qui a changé)."},
      {"Change disc image", "Changer d'image disque"},
      {"Use another copy of your disc.", "Utiliser une autre copie de votre disque."},
      {"Open saves folder", "Dossier des sauvegardes"},
      {"Open game logs", "Journaux du jeu"},
      {"What the game wrote, and crash reports.",
       "Ce que le jeu a écrit, et les rapports de plantage."},
      {"Open build logs", "Journaux de préparation"},
      {"One file per step of preparing the game.", "Un fichier par étape de la préparation."},
      {"Check for updates", "Vérifier les mises à jour"},
  };
  for (bool french : {false, true}) {
    uiFrench = french;
    const auto runs = drawTab(checkIn(kUpdateIdle, false));
    SCOPED_TRACE(joined(runs));
    EXPECT_TRUE(exactRun(runs, "Maintenance", opaque(colText)));
    for (const Case& c : cases)
      EXPECT_TRUE(exactRun(runs, french ? c.french : c.english)) << c.english;
    const std::string savesLine =
        (french ? "Cartes mémoire et réglages : " : "Memory cards and settings: ") + saves;
    EXPECT_TRUE(exactRun(runs, savesLine)) << savesLine;
  }
}

// A recording xdg-open first on PATH: each call adds its argument as a line.
class MaintenanceFolders : public MaintenanceTab {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "folders open through the Windows shell, which a test cannot stand in for";
#else
    MaintenanceTab::SetUp();
    const std::string script = handler / "bin/xdg-open";
    testing::writeFile(script,
                       "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/../opened\"\n");
    ::chmod(script.c_str(), 0755);
    const char* path = std::getenv("PATH");
    env.set("PATH", handler / "bin:" + (path ? path : "/usr/bin:/bin"));
    std::filesystem::create_directories(app.layout.userDir);
#endif
  }

  // The folder the next handler call names.
  std::string opened(std::size_t calls) {
    std::string lines;
    EXPECT_TRUE(waitFor([&] {
      lines = testing::readFile(handler / "opened");
      return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '\n')) >= calls;
    }));
    std::size_t start = 0;
    for (std::size_t i = 1; i < calls; ++i)
      start = lines.find('\n', start) + 1;
    return lines.substr(start, lines.find('\n', start) - start);
  }

  testing::EnvGuard env{{"PATH"}};
  testing::TempFolder handler;
};

TEST_F(MaintenanceFolders, EachButtonOpensItsFolder) {
  struct Case {
    const char* button;
    bool logsExist;
    std::string folder;
  };
  const Case cases[] = {
      {"Open saves folder", false, app.layout.userDir},
      // Before the game ever ran there is no logs folder: the user folder instead.
      {"Open game logs", false, app.layout.userDir},
      {"Open game logs", true, app.layout.userLogsDir},
      {"Open build logs", true, app.layout.buildLogsDir},
  };
  std::size_t calls = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.button) + (c.logsExist ? " with logs" : ""));
    std::filesystem::remove_all(app.layout.userLogsDir);
    std::filesystem::remove_all(app.layout.buildLogsDir);
    if (c.logsExist) {
      std::filesystem::create_directories(app.layout.userLogsDir);
      std::filesystem::create_directories(app.layout.buildLogsDir);
    }
    clickButton(c.button);
    EXPECT_EQ(opened(++calls), c.folder);
  }
}

TEST_F(MaintenanceTab, CheckForUpdatesAsksOnceAndShowsWhyItFailed) {
#ifdef _WIN32
  GTEST_SKIP() << "the silent host is written with POSIX sockets; the check over WinHTTP is "
                  "covered by the update tests";
#else
  testing::EnvGuard env{{"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"}};
  for (const char* name : {"http_proxy", "HTTP_PROXY", "ALL_PROXY", "all_proxy"})
    env.set(name, "");
  SilentHost host;
  app.updateCheck.updateUrl = host.url();

  clickButton("Check for updates");
  EXPECT_EQ(host.accepted(10000), 1) << "one query reaches the host";
  UpdateCheckView check = app.updateCheck.view();
  EXPECT_EQ(check.state, kUpdateChecking);
  EXPECT_TRUE(check.manual);
  auto runs = drawTab();
  EXPECT_TRUE(exactRun(runs, "This is version 0.8.0. Checking…")) << joined(runs);
  EXPECT_FALSE(enabledButton(runs, "Check for updates"));

  clickButton("Check for updates");
  EXPECT_EQ(host.accepted(300), 1) << "no second query while the first runs";

  host.hangUp();
  ASSERT_TRUE(waitFor([&] { return app.updateCheck.view().state == kUpdateFailed; }));
  check = app.updateCheck.view();
  EXPECT_TRUE(check.manual);
  EXPECT_FALSE(check.errorText.empty());
  runs = drawTab();
  // Said as a person would, in the warning colour, with the transport's words below it.
  const DrawnRun* failure = exactRun(runs, "Could not reach the update server.");
  ASSERT_TRUE(failure) << joined(runs);
  EXPECT_EQ(failure->colour, opaque(colWarn));
  const DrawnRun* detail = findRun(runs, check.errorText.substr(0, 20));
  ASSERT_TRUE(detail) << joined(runs);
  EXPECT_GT(detail->min.y, failure->min.y);
  EXPECT_TRUE(exactRun(runs, "This is version 0.8.0.")) << joined(runs);
  EXPECT_TRUE(enabledButton(runs, "Check for updates"));
#endif
}

}  // namespace
}  // namespace scf
