// The built program with the real Thunderbird of this machine, under a
// virtual X server, on a throwaway home and profile: a compose window with the
// run's subject must appear, both for the first instance and for a message
// handed to it (through the session's D-Bus, as on a desktop). Skipped where
// Thunderbird, Xvfb, dbus-daemon or xwininfo is not installed.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/e2e/e2e_harness.h"

namespace wrenpost::e2e {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;

constexpr auto kWindowWait = std::chrono::seconds(60);

std::optional<fs::path> Installed(const std::string& name) {
  for (const char* folder : {"/usr/bin", "/bin", "/usr/local/bin"}) {
    if (::access((fs::path(folder) / name).c_str(), X_OK) == 0) return fs::path(folder) / name;
  }
  return std::nullopt;
}

// A profile with one identity, so that Thunderbird opens the compose window
// rather than its account setup.
void WriteProfile(const fs::path& home) {
  const fs::path root = home / ".thunderbird";
  fs::create_directories(root / "smoke.default");
  WriteFile(root / "profiles.ini",
            "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=smoke\nIsRelative=1\nPath=smoke.default\nDefault=1\n");
  std::string prefs;
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"mail.accountmanager.accounts", "\"account1,account2\""},
           {"mail.accountmanager.defaultaccount", "\"account1\""},
           {"mail.accountmanager.localfoldersserver", "\"server2\""},
           {"mail.account.account1.identities", "\"id1\""},
           {"mail.account.account1.server", "\"server1\""},
           {"mail.account.account2.server", "\"server2\""},
           {"mail.identity.id1.fullName", "\"Próba\""},
           {"mail.identity.id1.useremail", "\"proba@example.com\""},
           {"mail.identity.id1.valid", "true"},
           {"mail.server.server1.type", "\"pop3\""},
           {"mail.server.server1.hostname", "\"localhost\""},
           {"mail.server.server1.userName", "\"proba\""},
           {"mail.server.server1.login_at_startup", "false"},
           {"mail.server.server2.type", "\"none\""},
           {"mail.server.server2.hostname", "\"Local Folders\""},
           {"mail.server.server2.userName", "\"nobody\""},
           {"mail.shell.checkDefaultClient", "false"},
           {"mailnews.start_page.enabled", "false"},
           {"mail.provider.enabled", "false"},
           {"datareporting.policy.dataSubmissionEnabled", "false"},
           {"app.update.enabled", "false"},
           {"offline.autoDetect", "false"},
       }) {
    prefs += "user_pref(\"" + key + "\", " + value + ");\n";
  }
  WriteFile(root / "smoke.default/user.js", prefs);
}

struct RealThunderbird : ::testing::Test, ThunderbirdSandbox {
  std::vector<pid_t> servers;
  std::string display;
  std::string bus;

  // Starts `command`, which writes one line (its address) to fd 3, and returns that line.
  std::string StartServer(const std::string& name, const std::string& command) {
    const fs::path line = sandbox / name;
    const StartedProgram started = StartProgram(
        "/bin/sh", {"-c", "exec 3>'" + line.string() + "'; exec " + command + " 2>/dev/null"},
        RunOptions{.environment = {{"PATH", "/usr/bin:/bin"}}});
    servers.push_back(started.pid);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (ReadFile(line).find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    const std::string text = ReadFile(line);
    return text.substr(0, text.find('\n'));
  }

  void SetUp() override {
    if (!Installed("thunderbird") || !Installed("Xvfb") || !Installed("dbus-daemon") || !Installed("xwininfo")) {
      GTEST_SKIP() << "needs thunderbird, Xvfb, dbus-daemon and xwininfo (tools/install_deps.sh installs them)";
    }
    const std::string number = StartServer("display", "Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp");
    ASSERT_FALSE(number.empty()) << "Xvfb did not start";
    display = ":" + number;
    bus = StartServer("bus", "dbus-daemon --session --nofork --print-address=3");
    ASSERT_FALSE(bus.empty()) << "dbus-daemon did not start";
    WriteProfile(home);
  }

  void TearDown() override {
    // Thunderbird ends with the display it runs on.
    for (const pid_t server : servers) {
      ::kill(server, SIGTERM);
      ::waitpid(server, nullptr, 0);
    }
  }

  RunOptions RealOptions() const {
    RunOptions options = Options();
    options.environment["PATH"] = "/usr/bin:/bin";  // no mailto: default here: thunderbird from PATH
    options.environment["DISPLAY"] = display;
    options.environment["DBUS_SESSION_BUS_ADDRESS"] = bus;
    // The profile of profiles.ini, not one made for this installation.
    options.environment["MOZ_LEGACY_PROFILES"] = "1";
    return options;
  }

  // Whether a window whose name holds `text` shows within kWindowWait.
  bool WindowAppears(const std::string& text) const {
    const auto deadline = std::chrono::steady_clock::now() + kWindowWait;
    while (std::chrono::steady_clock::now() < deadline) {
      const RunResult tree = RunProgram("/usr/bin/xwininfo", {"-display", display, "-root", "-tree"},
                                        RunOptions{.environment = {{"PATH", "/usr/bin:/bin"}}});
      if (tree.std_out.find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    return false;
  }
};

TEST_F(RealThunderbird, ComposeWindowOpensForTheFirstInstanceAndForAMessageHandedToIt) {
  WriteFile(sandbox / "oferta.txt", "załącznik");
  for (const std::string subject : {"Próba pierwsza", "Próba druga"}) {
    SCOPED_TRACE(subject);
    const RunResult run = RunProgram(
        program,
        {"-to", "anna@firma.pl", "-subject", subject, "-body", "Dzień dobry", "-attachment",
         (sandbox / "oferta.txt").string()},
        RealOptions());
    EXPECT_EQ(run.exit_code, 0) << run.std_err << ReadFile(log);
    EXPECT_THAT(ReadFile(log), HasSubstr("Program pocztowy: Thunderbird\r\n"));
    EXPECT_THAT(ReadFile(log), EndsWith("Koniec programu.\r\n"));
    EXPECT_TRUE(WindowAppears(subject)) << "no compose window titled with " << subject;
  }
}

}  // namespace
}  // namespace wrenpost::e2e
