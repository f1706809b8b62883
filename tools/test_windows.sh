#!/usr/bin/env bash
# Builds Wrenpost.exe for 32-bit and 64-bit Windows (MinGW-w64 cross builds),
# makes the release signed with a throwaway certificate (both executables, the
# MSI, the zips) and checks the signatures and the MSI (keeping only the MSI and
# its program, named *-test-signed*, and no key), runs the end-to-end
# suite on each executable under Wine, headless, and installs, runs,
# reinstalls and removes the MSI on a Wine prefix of its own. The helpers
# (runner, stand-in server, stand-in mail clients) stay 64-bit but for the
# Simple MAPI provider, built for both widths; a 64-bit prefix runs the
# 32-bit program through WoW64. Where this machine cannot run 32-bit programs
# (no wine32, or a kernel without 32-bit support), the runs that need a
# 32-bit process (the suite on the 32-bit program, the installed program's
# run) are skipped with one line saying why; everything else still runs.
#
#   tools/test_windows.sh
#
# Needs (installs nothing): cmake, ninja, GoogleTest, g++-mingw-w64-i686-posix,
# g++-mingw-w64-x86-64-posix, wine64, wine32 (i386), xvfb, locales (localedef),
# chattr, wixl, msitools, osslsigncode, openssl, python3. Everything it makes
# lives under build-mingw32/, build-mingw64/ and build-wine/; the Wine prefixes
# are made fresh on every run. Exit status 0 only when the release checks, the
# suite on both executables and the installer checks passed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$(date +%s)
wine_dir=$root/build-wine
prefix=$wine_dir/prefix
wine=${WRENPOST_WINE:-/usr/lib/wine/wine64}
wine32=${WRENPOST_WINE32:-/usr/lib/wine/wine}
wineserver=${WRENPOST_WINESERVER:-/usr/lib/wine/wineserver}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
[ -x "$wine32" ] || wine32=$(command -v wine)
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

# Whether this machine runs 32-bit programs: the 32-bit loader (an ELF of
# class 1; Debian's /usr/bin/wine is a script that falls back to wine64) and a
# kernel that executes it.
no_32bit=
if [ ! -x "$wine32" ] || [ "$(od -An -tx1 -j4 -N1 "$wine32" 2>/dev/null | tr -d ' ')" != 01 ]; then
  no_32bit="the 32-bit Wine loader (package wine32:i386) is not installed"
elif ! loader_says=$("$wine32" --version 2>&1 </dev/null); then
  no_32bit="this machine cannot execute 32-bit programs ($wine32 --version: $(head -n1 <<<"$loader_says"))"
fi

step() { printf '\n=== %s\n' "$*"; }
[ -z "$no_32bit" ] ||
  echo "SKIPPED: the 32-bit Wine runs (the suite on build-mingw32/Wrenpost.exe, the installed program's run): $no_32bit"

step "Cross builds"
for arch in mingw32 mingw64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch"
done
# The release signs copies: the suite below runs the build outputs, the same
# programs without the signature.
step "Signed release (throwaway certificate)"
release_status=0
bash tests/signing/check_signed_release.sh "$wine_dir/release" || release_status=1
# Nothing named like the release, and no key, is left behind: only the two
# test-signed files the installer check takes.
left=$(find "$wine_dir/release" -mindepth 1 ! -path "$wine_dir/release/test-signed" \
  ! -path "$wine_dir/release/test-signed/Wrenpost-*-test-signed.msi" \
  ! -path "$wine_dir/release/test-signed/Wrenpost-test-signed.exe")
if [ -n "$left" ]; then
  echo "FAIL: the signed-release check left files behind:"
  printf '  %s\n' $left
  release_status=1
fi

cmake -S tests/wine/helpers -B "$wine_dir/helpers" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  --toolchain "$root/cmake/toolchains/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$wine_dir/helpers"
# The stand-in mail clients, the Simple MAPI provider for either width.
for arch in i686 x86_64; do
  cmake -S tests/wine/stand_ins -B "$wine_dir/stand_ins-$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    --toolchain "$root/cmake/toolchains/mingw-w64-$arch.cmake" >/dev/null
  cmake --build "$wine_dir/stand_ins-$arch"
done
cmake -S tests/wine -B "$wine_dir/suite" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$wine_dir/suite"

# The Polish locale: ANSI code page 1250 under Wine, and Polish file names.
if ! grep -qi '^pl_PL\.utf-\?8$' <<<"$(locale -a 2>/dev/null)"; then
  mkdir -p "$wine_dir/locale"
  [ -d "$wine_dir/locale/pl_PL.UTF-8" ] ||
    localedef -i pl_PL -f UTF-8 "$wine_dir/locale/pl_PL.UTF-8" 2>/dev/null ||
    [ -d "$wine_dir/locale/pl_PL.UTF-8" ]
  export LOCPATH=$wine_dir/locale
fi
{ export LANG=pl_PL.UTF-8 LC_ALL=pl_PL.UTF-8; } 2>/dev/null  # bash itself may not know it
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
export WRENPOST_WINE=$wine WRENPOST_WINE32=$wine32

xvfb_pid=
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  # Leave no immutable files behind (the read-only log cases).
  [ -d "$prefix/drive_c/cases" ] && chattr -R -i "$prefix/drive_c/cases" 2>/dev/null || true
}
trap cleanup EXIT

step "X server"
# Xvfb names the display it took on the descriptor once it is ready.
rm -f "$wine_dir/displayfd"
mkfifo "$wine_dir/displayfd"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$wine_dir/displayfd" >/dev/null 2>&1 &
xvfb_pid=$!
display_number=
read -r -t 30 display_number <"$wine_dir/displayfd" || true
rm -f "$wine_dir/displayfd"
[ -n "$display_number" ] || { echo "no X server could be started" >&2; exit 1; }
export DISPLAY=:$display_number
echo "Xvfb on $DISPLAY"

step "Wine prefix"
[ -d "$prefix/drive_c/cases" ] && chattr -R -i "$prefix/drive_c/cases" 2>/dev/null || true
rm -rf "$prefix"
timeout 300 "$wine" wineboot -i >/dev/null 2>&1
timeout 60 "$wineserver" -w || true
# One server for the whole run: out-of-process activation can hang when the
# wineserver restarts between runs.
"$wineserver" -p
mkdir -p "$prefix/drive_c/wrenpost-tools"
cp "$wine_dir/helpers/fake_outlook.exe" "$wine_dir/helpers/wine_runner.exe" \
  "$wine_dir/helpers/log_holder.exe" "$wine_dir/stand_ins-i686/mapi_stand_in32.dll" \
  "$wine_dir/stand_ins-x86_64/mapi_stand_in64.dll" "$wine_dir/stand_ins-i686/mapi32_ansi32.dll" \
  "$wine_dir/stand_ins-x86_64/mapi32_ansi64.dll" "$wine_dir/stand_ins-i686/mapi32_empty32.dll" \
  "$wine_dir/stand_ins-x86_64/mapi32_empty64.dll" "$wine_dir/stand_ins-x86_64/thunderbird.exe" \
  "$wine_dir/stand_ins-x86_64/mailto_handler.exe" "$prefix/drive_c/wrenpost-tools/"
timeout 60 "$wine" 'C:\wrenpost-tools\fake_outlook.exe' /regserver

# One suite run per executable: its result, its counts and its time.
declare -A results counts seconds
status=0
for arch in mingw32 mingw64; do
  if [ "$arch" = mingw32 ] && [ -n "$no_32bit" ]; then
    results[$arch]=skipped
    continue
  fi
  step "Wine end-to-end suite: build-$arch/Wrenpost.exe"
  log=$wine_dir/suite-$arch.log
  suite_started=$(date +%s)
  set +e
  (cd "$wine_dir/suite" && WRENPOST_EXE=$root/build-$arch/Wrenpost.exe ctest --output-on-failure) |
    tee "$log"
  suite_status=${PIPESTATUS[0]}
  set -e
  seconds[$arch]=$(( $(date +%s) - suite_started ))
  results[$arch]=$([ "$suite_status" -eq 0 ] && echo passed || echo FAILED)
  counts[$arch]=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\1 \2/p' "$log")
  [ "$suite_status" -eq 0 ] || status=1
done

step "Installer under Wine"
version=$(sed -n 's/^set(WRENPOST_VERSION \([0-9.]*\))$/\1/p' cmake/Version.cmake)
installer_status=0
# The test-signed MSI and the signed copy of the 32-bit program it carries.
msi=$wine_dir/release/test-signed/Wrenpost-$version-test-signed.msi
WRENPOST_NO_32BIT=$no_32bit bash tests/wine/check_installer.sh "$msi" "$wine_dir/release/test-signed/Wrenpost-test-signed.exe" \
  "$wine_dir/helpers" "$wine_dir/installer" || installer_status=1

step "Summary"
for arch in mingw32 mingw64; do
  exe=build-$arch/Wrenpost.exe
  count=${counts[$arch]:-}
  if [ "${results[$arch]}" = skipped ]; then
    count="no 32-bit programs here"
  elif [ -n "$count" ]; then
    failed=${count% *} total=${count#* }
    count="$((total - failed)) of $total passed, $failed failed"
  else
    count="no test counts"
  fi
  printf '%s (%s bytes): %s, %s, %s s\n' "$exe" "$(stat -c %s "$exe")" "${results[$arch]}" "$count" \
    "${seconds[$arch]:-0}"
done
echo "Wine suite: $([ $status -eq 0 ] && { [ -z "$no_32bit" ] && echo passed on both executables ||
  echo passed on build-mingw64/Wrenpost.exe; } || echo FAILED)"
echo "Signed release: $([ $release_status -eq 0 ] && echo passed || echo FAILED)" \
  "($([ -f "$msi" ] && echo "${msi##*/} $(stat -c %s "$msi") bytes" || echo "no MSI"))"
echo "Installer under Wine: $([ $installer_status -eq 0 ] && echo passed || echo FAILED)"
[ $release_status -eq 0 ] && [ $installer_status -eq 0 ] || status=1
echo "Time: $(( $(date +%s) - started )) s"
exit $status
