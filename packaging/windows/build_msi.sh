#!/usr/bin/env bash
# Builds the per-user Windows installer from the 32-bit Wrenpost.exe (signed
# already, when it is signed at all: the MSI carries the file as given):
#
#   packaging/windows/build_msi.sh <Wrenpost.exe> <version> <output.msi>
#
# Needs wixl and msibuild (Debian packages wixl and msitools). The `msi` target
# of the 32-bit Windows build runs it.
set -euo pipefail

if [ $# -ne 3 ]; then
  echo "usage: build_msi.sh <Wrenpost.exe> <version> <output.msi>" >&2
  exit 2
fi
exe=$1 version=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# wixl takes a file's Source relative to the folder it runs in.
cp "$exe" "$work/Wrenpost.exe"
(cd "$work" && wixl -D Version="$version" -D ExePath=Wrenpost.exe -o package.msi "$here/Wrenpost.wxs")

upgrade_code=$(msiinfo export "$work/package.msi" Property | sed -n 's/^UpgradeCode\t\(.*\)\r$/\1/p')
[ -n "$upgrade_code" ] || { echo "build_msi: the package has no UpgradeCode" >&2; exit 1; }
# What wixl cannot express:
# - a rebuild of the same version replaces the installed one too (WiX's
#   AllowSameVersionUpgrades: the upper bound of the upgrade range is included);
# - a per-machine install is refused. It would put the program where its users
#   cannot write, and the log would be lost. ALLUSERS=2 with
#   MSIINSTALLPERUSER=1 asks for a per-user install, which is fine.
msibuild "$work/package.msi" \
  -q "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" \
  -q "INSERT INTO Upgrade (UpgradeCode, VersionMin, VersionMax, Language, Attributes, Remove, ActionProperty)
      VALUES ('$upgrade_code', '', '$version', '', 513, '', 'WIX_UPGRADE_DETECTED')" \
  -q "INSERT INTO LaunchCondition (Condition, Description)
      VALUES ('Installed OR NOT ALLUSERS OR (ALLUSERS = 2 AND MSIINSTALLPERUSER = 1)',
              'Wrenpost installs for the current user only: it keeps its log, Wrenpost.log, in its own folder, and users cannot write to a folder installed for all users. Install it without ALLUSERS.')"
mv -f "$work/package.msi" "$out"
echo "build_msi: $out ($(stat -c %s "$out") bytes)"
