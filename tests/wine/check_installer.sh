#!/usr/bin/env bash
# The Windows installer under Wine, on a prefix made fresh for it, as a new
# user would meet it:
#   - a per-machine install (ALLUSERS=1) is refused and installs nothing;
#   - `msiexec /i <msi> /qn` puts Wrenpost.exe, with its 1.6.0 version record,
#     into the user's LocalAppData\Programs\Wrenpost and names it in Add/Remove
#     Programs;
#   - the installed program makes one typical run against the stand-in Outlook
#     and keeps its log beside itself;
#   - installing the same MSI again changes nothing and loses no log;
#   - `msiexec /x` removes the program and leaves Wrenpost.log;
#   - a later version replaces an installed one, and an older one does not go
#     over it.
#
#   tests/wine/check_installer.sh <msi> <32-bit Wrenpost.exe it carries> <helpers folder> <work folder>
#
# tools/test_windows.sh runs it with WRENPOST_WINE (64-bit loader), WRENPOST_WINESERVER
# and DISPLAY set; the helpers folder holds fake_outlook.exe and wine_runner.exe.
# A non-empty WRENPOST_NO_32BIT (why this machine cannot run 32-bit programs)
# leaves out the installed program's run; a log stands in for the one it writes.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
msi=$(realpath "$1") exe=$(realpath "$2") helpers=$(realpath "$3")
work=$(mkdir -p "$4" && cd "$4" && pwd)
wine=${WRENPOST_WINE:-/usr/lib/wine/wine64}
wineserver=${WRENPOST_WINESERVER:-/usr/lib/wine/wineserver}
version=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')
product=$(msiinfo export "$msi" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
rm -rf "$WINEPREFIX"
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
timeout 300 "$wine" wineboot -i >/dev/null 2>&1
timeout 60 "$wineserver" -w || true
"$wineserver" -p  # one server throughout: activation can hang across restarts
drive_c=$WINEPREFIX/drive_c
mkdir -p "$drive_c/wrenpost-tools" "$drive_c/packages"
cp "$helpers/fake_outlook.exe" "$helpers/wine_runner.exe" "$drive_c/wrenpost-tools/"
timeout 60 "$wine" 'C:\wrenpost-tools\fake_outlook.exe' /regserver

# A later version of the same package, for the upgrade checks.
IFS=. read -r major minor patch <<<"$version"
next=$major.$minor.$((patch + 1))
cp "$msi" "$drive_c/packages/Wrenpost-$version.msi"
bash "$root/packaging/windows/build_msi.sh" "$exe" "$next" "$drive_c/packages/Wrenpost-$next.msi" >/dev/null
next_product=$(msiinfo export "$drive_c/packages/Wrenpost-$next.msi" Property | tr -d '\r' |
  sed -n 's/^ProductCode\t//p')

msiexec() { timeout 120 "$wine" msiexec "$@" /qn; }
local_app_data=$("$wine" cmd /c echo %LOCALAPPDATA% | tr -d '\r')
folder_win="$local_app_data\\Programs\\Wrenpost"
folder=$drive_c/${folder_win#C:\\}
folder=${folder//\\//}
installed=$folder/Wrenpost.exe
log=$folder/Wrenpost.log

# A value of the product's Add/Remove Programs entry: per user under HKCU on
# Windows; Wine keeps it in HKLM's 32-bit view.
arp() {
  local key="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$1" value view hive switch
  for view in "HKCU" "HKLM /reg:32" "HKLM /reg:64"; do
    read -r hive switch <<<"$view"
    value=$("$wine" reg query "$hive\\$key" /v "$2" ${switch:+"$switch"} 2>/dev/null | tr -d '\r' |
      sed -n "s/^ *$2 *REG_[A-Z_]* *//p")
    [ -n "$value" ] && { echo "$value"; return 0; }
  done
  return 0
}

echo "--- a per-machine install is refused"
status=0
msiexec /i "C:\\packages\\Wrenpost-$version.msi" ALLUSERS=1 || status=$?
check "msiexec ALLUSERS=1 fails (status $status)" test "$status" -ne 0
check "nothing installed" test ! -e "$installed"

echo "--- install"
status=0
msiexec /i "C:\\packages\\Wrenpost-$version.msi" || status=$?
check "msiexec /i succeeds (status $status)" test "$status" -eq 0
check "Wrenpost.exe in $folder_win" cmp -s "$exe" "$installed"
"$wine" 'C:\wrenpost-tools\wine_runner.exe' version "$folder_win\\Wrenpost.exe" 'C:\packages\version.txt'
record=$(tr -d '\r' <"$drive_c/packages/version.txt")
check "version record $major.$minor.$patch" grep -qx "fixed=$version.0" <<<"$record"
check "ProductName Wrenpost" grep -qx "ProductName=Wrenpost" <<<"$record"
for name in DisplayName:Wrenpost Publisher:Wrenpost DisplayVersion:$version "InstallLocation:$folder_win\\"; do
  check "Add/Remove Programs: ${name%%:*} = ${name#*:}" test "$(arp "$product" "${name%%:*}")" = "${name#*:}"
done

if [ -n "${WRENPOST_NO_32BIT:-}" ]; then
  printf 'Koniec programu.\r\n' >"$log"  # the kept-log checks below still run
else
  echo "--- a typical run of the installed program"
  touch "$drive_c/oferta.pdf"
  printf 'app=%s\ncmdline="%s" -to anna -subject Oferta -attachment C:\\oferta.pdf\ntimeout=50000\n' \
    "$folder_win\\Wrenpost.exe" "$folder_win\\Wrenpost.exe" >"$drive_c/packages/request.txt"
  rm -f "$drive_c/wrenpost-tools/calls.txt"
  "$wine" 'C:\wrenpost-tools\wine_runner.exe' run 'C:\packages\request.txt' 'C:\packages\report.txt'
  report=$(tr -d '\r' <"$drive_c/packages/report.txt")
  calls=$(tr -d '\r' <"$drive_c/wrenpost-tools/calls.txt" 2>/dev/null || true)
  check "exit status 0" grep -qx "exit=0" <<<"$report"
  check "no box" grep -qx "boxes=0" <<<"$report"
  for call in 'MailItem.Subject PROPERTYPUT named=PROPERTYPUT VT_BSTR:"Oferta"' 'Attachments.Add METHOD VT_BSTR:"C:\\oferta.pdf"' \
      'MailItem.Display METHOD' 'Recipients.Add METHOD VT_BSTR:"anna"'; do
    check "Outlook got: $call" grep -qF "$call" <<<"$calls"
  done
  check "the log beside the program names it, version $version" \
    grep -qF "$folder_win\\Wrenpost.exe ($version)" "$log"
  check "the log ends with the run's end" test "$(tail -n 1 "$log" | tr -d '\r')" = "Koniec programu."
fi
log_sum=$(sha256sum <"$log")

echo "--- the same MSI again"
status=0
msiexec /i "C:\\packages\\Wrenpost-$version.msi" || status=$?
check "msiexec /i again succeeds (status $status)" test "$status" -eq 0
check "the program unchanged" cmp -s "$exe" "$installed"
check "the log unchanged" test "$(sha256sum <"$log")" = "$log_sum"

echo "--- uninstall"
status=0
msiexec /x "C:\\packages\\Wrenpost-$version.msi" || status=$?
check "msiexec /x succeeds (status $status)" test "$status" -eq 0
check "Wrenpost.exe removed" test ! -e "$installed"
check "Wrenpost.log kept, unchanged" test "$(sha256sum <"$log" 2>/dev/null)" = "$log_sum"
check "gone from Add/Remove Programs" test -z "$(arp "$product" DisplayName)"

echo "--- a later version replaces it, an older one does not go over that"
msiexec /i "C:\\packages\\Wrenpost-$version.msi" || true
status=0
msiexec /i "C:\\packages\\Wrenpost-$next.msi" || status=$?
check "$next installs over $version (status $status)" test "$status" -eq 0
check "$version gone from Add/Remove Programs" test -z "$(arp "$product" DisplayName)"
check "$next in Add/Remove Programs" test "$(arp "$next_product" DisplayVersion)" = "$next"
status=0
msiexec /i "C:\\packages\\Wrenpost-$version.msi" || status=$?
check "$version refused over $next (status $status)" test "$status" -ne 0
check "$version not installed again" test -z "$(arp "$product" DisplayName)"
msiexec /x "C:\\packages\\Wrenpost-$next.msi" || fail "msiexec /x of $next"
check "the log still kept" test "$(sha256sum <"$log" 2>/dev/null)" = "$log_sum"

[ "$failures" -eq 0 ] || { echo "installer under Wine: $failures failures" >&2; exit 1; }
echo "installer under Wine: passed"
