#!/usr/bin/env bash
# Builds the Windows release, signed when a certificate is given
# (tools/sign_windows.sh reads it from WRENPOST_SIGN_* variables):
#
#   tools/release_windows.sh [output folder, default dist/]
#
# The output folder then holds
#   Wrenpost-<version>.msi          the per-user installer (the 32-bit program)
#   Wrenpost-<version>-win32.zip    the 32-bit program and the README, to copy by hand
#   Wrenpost-<version>-win64.zip    the 64-bit build, likewise
#   SHA256SUMS
# Order: both executables are signed before anything packs them; the MSI is
# signed last. Needs the MinGW-w64 cross compilers, wixl, msitools and, to
# sign, osslsigncode.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=$(mkdir -p "${1:-dist}" && cd "${1:-dist}" && pwd)
version=$(sed -n 's/^set(WRENPOST_VERSION \([0-9.]*\))$/\1/p' cmake/Version.cmake)
[ -n "$version" ] || { echo "release_windows: no version in cmake/Version.cmake" >&2; exit 1; }

for arch in mingw32 mingw64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch"
done
bash tools/sign_windows.sh build-mingw32/Wrenpost.exe build-mingw64/Wrenpost.exe

# The installer is made from the 32-bit program as it is now (signed).
cmake --build --preset mingw32 --target msi
for arch in mingw32 mingw64; do
  (cd "build-$arch" && cpack >/dev/null)
done
bash tools/sign_windows.sh "build-mingw32/Wrenpost-$version.msi"

rm -f "$out/Wrenpost-$version.msi" "$out/Wrenpost-$version-win32.zip" "$out/Wrenpost-$version-win64.zip"
cp "build-mingw32/Wrenpost-$version.msi" "build-mingw32/Wrenpost-$version-win32.zip" \
  "build-mingw64/Wrenpost-$version-win64.zip" "$out/"
(cd "$out" && sha256sum "Wrenpost-$version.msi" "Wrenpost-$version-win32.zip" "Wrenpost-$version-win64.zip" >SHA256SUMS)
echo "release_windows: $out"
(cd "$out" && ls -l "Wrenpost-$version.msi" "Wrenpost-$version-win32.zip" "Wrenpost-$version-win64.zip")
