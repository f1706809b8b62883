#!/usr/bin/env bash
# Builds Wrenpost.exe for 32-bit and 64-bit Windows (MinGW-w64 cross builds)
# and runs the end-to-end suite on the 64-bit one under Wine, headless.
#
#   tools/test_windows.sh
#
# Needs (installs nothing): cmake, ninja, GoogleTest, g++-mingw-w64-i686-posix,
# g++-mingw-w64-x86-64-posix, wine64, xvfb, locales (localedef), chattr.
# Everything it makes lives under build-mingw32/, build-mingw64/ and
# build-wine/; the Wine prefix is made fresh on every run.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
started=$(date +%s)
wine_dir=$root/build-wine
prefix=$wine_dir/prefix
wine=${WRENPOST_WINE:-/usr/lib/wine/wine64}
wineserver=${WRENPOST_WINESERVER:-/usr/lib/wine/wineserver}
[ -x "$wine" ] || wine=$(command -v wine64 || command -v wine)
[ -x "$wineserver" ] || wineserver=$(command -v wineserver)

step() { printf '\n=== %s\n' "$*"; }

step "Cross builds"
for arch in mingw32 mingw64; do
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch"
done
cmake -S tests/wine/helpers -B "$wine_dir/helpers" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  --toolchain "$root/cmake/toolchains/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$wine_dir/helpers"
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
export WRENPOST_WINE=$wine WRENPOST_EXE=$root/build-mingw64/Wrenpost.exe

xvfb_pid=
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  # Leave no immutable files behind (the read-only log cases).
  [ -d "$prefix/drive_c/cases" ] && chattr -R -i "$prefix/drive_c/cases" 2>/dev/null || true
}
trap cleanup EXIT

step "X server"
display=
for n in $(seq 90 120); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
  if kill -0 "$xvfb_pid" 2>/dev/null; then display=:$n; break; fi
  xvfb_pid=
done
[ -n "$display" ] || { echo "no X server could be started" >&2; exit 1; }
export DISPLAY=$display
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
  "$wine_dir/helpers/log_holder.exe" "$prefix/drive_c/wrenpost-tools/"
timeout 60 "$wine" 'C:\wrenpost-tools\fake_outlook.exe' /regserver

step "Wine end-to-end suite"
set +e
(cd "$wine_dir/suite" && ctest --output-on-failure --timeout 120) | tee "$wine_dir/suite.log"
status=${PIPESTATUS[0]}
set -e
counts=$(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\1 \2/p' "$wine_dir/suite.log")
failed=${counts% *} total=${counts#* }

step "Executables"
# Only system DLLs (no MinGW, C++ or threads runtime), and the manifest inside.
system_dlls='^(ADVAPI32|KERNEL32|msvcrt|ole32|OLEAUT32|USER32|VERSION)\.dll$'
checks=0
for exe in build-mingw32/Wrenpost.exe build-mingw64/Wrenpost.exe; do
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  foreign=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | grep -Eiv "$system_dlls" || true)
  if [ -n "$foreign" ]; then echo "$exe imports $foreign" >&2; checks=1; fi
  if ! grep -q 'requestedExecutionLevel level="asInvoker"' "$exe"; then
    echo "$exe has no manifest" >&2; checks=1
  fi
  if ! grep -q 'Subsystem.*Windows GUI' <<<"$headers"; then
    echo "$exe is not a GUI program" >&2; checks=1
  fi
done
[ $checks -eq 0 ] && echo "imports, manifest and subsystem as expected"
[ $checks -eq 0 ] || status=1

step "Summary"
for exe in build-mingw32/Wrenpost.exe build-mingw64/Wrenpost.exe; do
  printf '%s: %s bytes; imports: %s\n' "$exe" "$(stat -c %s "$exe")" \
    "$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\tDLL Name: //p' | tr '\n' ' ')"
done
echo "Wine suite: $([ $status -eq 0 ] && echo passed || echo FAILED)"
[ -n "$counts" ] && echo "$((total - failed)) passed, $failed failed"
echo "Time: $(( $(date +%s) - started )) s"
exit $status
