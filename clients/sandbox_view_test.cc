#include "clients/sandbox_view.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace wrenpost {
namespace {

using ::testing::ElementsAre;

TEST(SandboxView, WhatASnapAndAFlatpakSee) {
  const SandboxView snap{Packaging::kSnap, "thunderbird", "/home/ala", {}};
  const SandboxView flatpak{Packaging::kFlatpak, "org.mozilla.Thunderbird", "/home/ala", {"/home/ala/Pobrane", "/media"}};
  struct Case {
    const SandboxView* view;
    std::string path;
    bool owned;
    bool seen;
  };
  const Case cases[] = {
      {&snap, "/home/ala/Dokumenty/a.pdf", true, true},
      {&snap, "/home/ala/Dokumenty/a.pdf", false, false},  // another user's file
      {&snap, "/home/ala/.cache/a.pdf", true, false},
      {&snap, "/home/ala/Dokumenty/.stare/a.pdf", true, false},
      {&snap, "/home/ala/snap/thunderbird/common/a.pdf", true, true},
      {&snap, "/home/ala/snap/firefox/common/a.pdf", true, false},
      {&snap, "/home/alan/a.pdf", true, false},
      {&snap, "/tmp/a.pdf", true, false},
      {&flatpak, "/home/ala/Pobrane/a.pdf", true, true},
      {&flatpak, "/home/ala/Pobrane/.x/a.pdf", true, false},
      {&flatpak, "/media/usb/a.pdf", false, true},
      {&flatpak, "/home/ala/Dokumenty/a.pdf", true, false},
      {&flatpak, "/home/ala/.var/app/org.mozilla.Thunderbird/cache/a.pdf", true, true},
      {&flatpak, "/home/ala/.var/app/org.other.App/a.pdf", true, false},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(SandboxSees(*test.view, test.path, test.owned), test.seen) << test.path;
  }
  EXPECT_EQ(SandboxCopyFolder(snap), "/home/ala/snap/thunderbird/common/wrenpost");
  EXPECT_EQ(SandboxCopyFolder(flatpak), "/home/ala/.var/app/org.mozilla.Thunderbird/cache/wrenpost");
}

TEST(SandboxView, FlatpakGrantsFromMetadataAndOverrides) {
  const auto dirs = ParseUserDirs(
      "# user dirs\nXDG_DOWNLOAD_DIR=\"$HOME/Pobrane\"\nXDG_PUBLICSHARE_DIR=\"/srv/wspólne/\"\nXDG_MUSIC_DIR=\"$HOME\"\n",
      "/home/ala");
  EXPECT_EQ(dirs.size(), 2u);  // a folder set to home means none
  EXPECT_THAT(FlatpakGrantedFolders({"xdg-download;xdg-public-share/x:ro;xdg-music;/usr/share;~/Poczta:create;",
                                     "!~/Poczta;/mnt/dane;home"},
                                    "/home/ala", dirs),
              ElementsAre("/home/ala/Pobrane", "/srv/wspólne/x", "/mnt/dane", "/home/ala"));
}

}  // namespace
}  // namespace wrenpost
