#!/usr/bin/env bash
# Builds the Windows release, signed when a certificate is given
# (tools/sign_windows.sh reads it from WRENPOST_SIGN_* variables):
#
#   tools/release_windows.sh [output folder, default dist/ of the source tree]
#
# A relative output folder is taken from the current folder. It then holds
#   Wrenpost-<version>.msi          the per-user installer (the 32-bit program)
#   Wrenpost-<version>-win32.zip    the 32-bit program and the README, to copy by hand
#   Wrenpost-<version>-win64.zip    the 64-bit build, likewise
#   SHA256SUMS
# The build outputs are never changed: both executables are copied to a
# staging folder and signed there, the MSI and the zips are made from those
# copies, and the MSI is signed last. (A signed build output would outlive
# the release: the build does not link a file again that changed after its
# link, and a later release without a certificate would ship the old
# signature.) Needs the MinGW-w64 cross compilers, wixl, msitools, python3
# and, to sign, osslsigncode.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/dist}" && cd "${1:-$root/dist}" && pwd)
cd "$root"
version=$(sed -n 's/^set(WRENPOST_VERSION \([0-9.]*\))$/\1/p' cmake/Version.cmake)
[ -n "$version" ] || { echo "release_windows: no version in cmake/Version.cmake" >&2; exit 1; }

# The password is for the signing script alone, not for the compilers and
# packagers this script starts.
sign_password=${WRENPOST_SIGN_PASSWORD-}
unset WRENPOST_SIGN_PASSWORD
sign() { WRENPOST_SIGN_PASSWORD=$sign_password bash tools/sign_windows.sh "$@"; }

for arch in mingw32 mingw64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch"
done

stage=$(mktemp -d "${TMPDIR:-/tmp}/wrenpost-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
for arch in win32 win64; do
  mkdir "$stage/$arch"
  cp "build-mingw${arch#win}/Wrenpost.exe" README.md "$stage/$arch/"
done
sign "$stage/win32/Wrenpost.exe" "$stage/win64/Wrenpost.exe"

# The installer carries the 32-bit program as it is now (signed).
bash packaging/windows/build_msi.sh "$stage/win32/Wrenpost.exe" "$version" "$stage/Wrenpost-$version.msi"
sign "$stage/Wrenpost-$version.msi"
# Each zip: the program and the README at its top.
for arch in win32 win64; do
  python3 - "$stage/Wrenpost-$version-$arch.zip" "$stage/$arch/Wrenpost.exe" "$stage/$arch/README.md" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as archive:
    for path in sys.argv[2:]:
        archive.write(path, os.path.basename(path))
PY
done

rm -f "$out/Wrenpost-$version.msi" "$out/Wrenpost-$version-win32.zip" "$out/Wrenpost-$version-win64.zip"
cp "$stage/Wrenpost-$version.msi" "$stage/Wrenpost-$version-win32.zip" "$stage/Wrenpost-$version-win64.zip" "$out/"
(cd "$out" && sha256sum "Wrenpost-$version.msi" "Wrenpost-$version-win32.zip" "Wrenpost-$version-win64.zip" >SHA256SUMS)
echo "release_windows: $out"
(cd "$out" && ls -l "Wrenpost-$version.msi" "Wrenpost-$version-win32.zip" "Wrenpost-$version-win64.zip")
