#include "clients/linux_client_choice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace wrenpost {
namespace {

using ::testing::ElementsAreArray;

TEST(LinuxClientChoice, DesktopFilesSayClientAndPackaging) {
  struct Case {
    std::string id;
    std::vector<std::string> exec;
    std::optional<ClientName> name;
    Packaging packaging;
    std::vector<std::string> command;
    std::string sandbox;
  };
  const std::string hint = "BAMF_DESKTOP_FILE_HINT=/var/lib/snapd/desktop/applications/thunderbird_thunderbird.desktop";
  const Case cases[] = {
      {"thunderbird.desktop", {"/usr/bin/thunderbird"}, ClientName::kThunderbird, Packaging::kPlain,
       {"/usr/bin/thunderbird"}, ""},
      {"thunderbird.desktop", {"/opt/tb/run-it"}, ClientName::kThunderbird, Packaging::kPlain, {"/opt/tb/run-it"}, ""},
      {"thunderbird_thunderbird.desktop", {"env", hint, "/snap/bin/thunderbird"}, ClientName::kThunderbird,
       Packaging::kSnap, {"env", hint, "/snap/bin/thunderbird"}, "thunderbird"},
      {"org.mozilla.Thunderbird.desktop",
       {"/usr/bin/flatpak", "run", "--branch=stable", "--command=thunderbird", "--file-forwarding",
        "org.mozilla.Thunderbird", "@@u", "@@"},
       ClientName::kThunderbird, Packaging::kFlatpak,
       {"/usr/bin/flatpak", "run", "--branch=stable", "--command=thunderbird", "org.mozilla.Thunderbird"},
       "org.mozilla.Thunderbird"},
      {"org.kde.kmail2.desktop", {"kmail", "-qwindowtitle", "KMail"}, ClientName::kKmail, Packaging::kPlain,
       {"kmail", "-qwindowtitle", "KMail"}, ""},
      {"org.gnome.Geary.desktop", {"flatpak", "run", "org.gnome.Geary"}, ClientName::kGeary, Packaging::kFlatpak,
       {"flatpak", "run", "org.gnome.Geary"}, "org.gnome.Geary"},
      {"claws-mail_claws-mail.desktop", {"/snap/bin/claws-mail.claws"}, ClientName::kClawsMail, Packaging::kSnap,
       {"/snap/bin/claws-mail.claws"}, "claws-mail"},
      {"org.example.Mail.desktop", {"flatpak", "run", "org.example.Mail"}, std::nullopt, Packaging::kPlain, {}, ""},
      {"firefox.desktop", {"/usr/bin/firefox"}, std::nullopt, Packaging::kPlain, {}, ""},
      {"x.desktop", {"env", "A=b"}, std::nullopt, Packaging::kPlain, {}, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.id + " " + test.exec.front());
    const auto launch = ClientOfDesktopFile(test.id, test.exec);
    ASSERT_EQ(launch.has_value(), test.name.has_value());
    if (!launch) continue;
    EXPECT_EQ(launch->name, *test.name);
    EXPECT_EQ(launch->packaging, test.packaging);
    EXPECT_THAT(launch->command, ElementsAreArray(test.command));
    EXPECT_EQ(launch->sandbox, test.sandbox);
  }
}

TEST(LinuxClientChoice, ProgramsOnPathAndDescriptions) {
  EXPECT_EQ(ClientOfProgram("/snap/bin/thunderbird")->packaging, Packaging::kSnap);
  EXPECT_EQ(ClientOfProgram("/usr/bin/betterbird")->name, ClientName::kBetterbird);
  EXPECT_FALSE(ClientOfProgram("/usr/bin/mutt"));
  EXPECT_THAT(DesktopIdsOf(ClientName::kThunderbird),
              ::testing::Contains("thunderbird_thunderbird.desktop"));
  EXPECT_EQ(DescribeClient("Thunderbird", Packaging::kSnap), "Thunderbird (snap)");
  EXPECT_EQ(DescribeClient("Geary", Packaging::kFlatpak), "Geary (flatpak)");
  EXPECT_EQ(DescribeClient("KMail", Packaging::kPlain), "KMail");
}

}  // namespace
}  // namespace wrenpost
