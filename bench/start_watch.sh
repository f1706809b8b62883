#!/usr/bin/env bash
# What watching a started mail client costs a run: whole runs of the built
# program (wall time, median of N), in one run on one machine, with
#   - stand-in clients (a shell script on PATH): one that hands the message
#     over at once (exit 0), one that fails at once (an error line, exit 1),
#     one that keeps running without any sign of life (the 3 s ceiling);
#   - where Xvfb and dbus-daemon are installed, the real Thunderbird, Claws
#     Mail and Evolution (no account: its first-start assistant): their
#     first instance (a display, a session bus and a runtime folder of its
#     own each time) and a message handed to the running one;
#   - where Wine and the Windows build are there (tools/test_windows.sh makes
#     them), the Thunderbird route of Wrenpost.exe under Wine: a desk without
#     Outlook whose default client (HKLM\Software\Clients\Mail) is "Mozilla
#     Thunderbird", played by the suite's stand-in thunderbird.exe, which
#     hands over at once, fails at once (the run's 429 box, read and closed
#     by the runner), runs showing nothing (the ceiling) or shows its window;
#     and, for the box's share, a run refused before any start. Timed by
#     wine_runner.exe as bench/wine_runs.sh does (run_ms: from letting the
#     program go to its end), in a fresh prefix (bench/wine_prefix.sh) whose
#     windows are not managed (Xvfb has no window manager, and Wine would
#     wait 2 s for one after every box). The 32-bit build runs too where this
#     machine runs 32-bit programs; otherwise one line says why not.
#   bench/start_watch.sh [build folder, default build-desktop]
# WRENPOST_WATCH_RUNS sets N (default 5); a real first instance runs 3 times.
# WRENPOST_WINE_EXE64, WRENPOST_WINE_EXE32 name other Wrenpost.exe (default
# build-mingw64/, build-mingw32/), WRENPOST_WINE_HELPERS and
# WRENPOST_WINE_STAND_INS other helper folders (default build-wine/helpers,
# build-wine/stand_ins-x86_64); WRENPOST_WINE, WRENPOST_WINE32 and
# WRENPOST_WINESERVER other loaders.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-desktop}
runs=${WRENPOST_WATCH_RUNS:-5}
[ -f "$build/build.ninja" ] || [ -f "$build/Makefile" ] ||
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWRENPOST_TESTS=OFF > /dev/null
cmake --build "$build" --target wrenpost > /dev/null

python3 - "$build/wrenpost" "$runs" << 'PYTHON'
import os, shutil, signal, statistics, subprocess, sys, tempfile, time

program, runs = os.path.abspath(sys.argv[1]), int(sys.argv[2])
first_runs = 3
work = tempfile.mkdtemp(prefix="wrenpost-watch-")
bin_dir, home = os.path.join(work, "bin"), os.path.join(work, "home")
os.makedirs(bin_dir); os.makedirs(home)
shutil.copy(program, os.path.join(work, "wrenpost"))
base = {"PATH": bin_dir, "HOME": home, "TMPDIR": work, "DISPLAY": ":0",
        "XDG_CONFIG_DIRS": os.path.join(work, "etc"), "XDG_DATA_DIRS": os.path.join(work, "share")}
print(f"machine: {os.cpu_count()} cores, load {os.getloadavg()[0]:.1f} at the start")

def timed(env, expected=0, extra=()):
    args = ("-to", "anna@firma.pl", "-subject", "Pomiar", "-body", "treść", *extra)
    start = time.perf_counter()
    done = subprocess.run([os.path.join(work, "wrenpost"), *args], env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    if done.returncode != expected:
        with open(os.path.join(work, "Wrenpost.log"), encoding="utf-8", errors="replace") as log:
            sys.exit(f"a run ended with {done.returncode}, not {expected}:\n" + log.read()[-600:])
    return elapsed

def stand_in(ending):
    path = os.path.join(bin_dir, "thunderbird")
    with open(path, "w") as script:
        script.write("#!/bin/sh\n" + ending + "\n")
    os.chmod(path, 0o700)

def report(name, times):
    print(f"| {name:58s} | {statistics.median(times) * 1000:9.0f} | {min(times) * 1000:6.0f} | "
          f"{max(times) * 1000:6.0f} | {len(times):4d} |")

print(f"| {'whole run of the program with':58s} | median ms |  min   |  max   | runs |")
print("|" + "-" * 60 + "|-----------|--------|--------|------|")
stand_in("exit 0")
report("stand-in, hands over at once (exit 0)", [timed(base) for _ in range(runs)])
stand_in("echo 'Error: cannot open display: :0' >&2; exit 1")
report("stand-in, fails at once (exit 1, 429)", [timed(base, expected=1) for _ in range(runs)])
stand_in("exec /bin/sleep 10")
report("stand-in, keeps running without a sign (ceiling)", [timed(base) for _ in range(runs)])

needed = ["Xvfb", "dbus-daemon"]
if not all(shutil.which(tool, path="/usr/bin:/bin") for tool in needed):
    print("real clients: not measured (needs " + ", ".join(needed) + ")")
    sys.exit(0)

# Thunderbird: a profile with a local account, no start page, no questions.
profile = os.path.join(home, ".thunderbird", "p.default")
os.makedirs(profile)
with open(os.path.join(home, ".thunderbird", "profiles.ini"), "w") as ini:
    ini.write("[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=p\nIsRelative=1\nPath=p.default\nDefault=1\n")
prefs = {"mail.accountmanager.accounts": '"account1"', "mail.account.account1.identities": '"id1"',
         "mail.account.account1.server": '"server1"', "mail.identity.id1.useremail": '"a@example.com"',
         "mail.server.server1.type": '"none"', "mail.server.server1.hostname": '"Local Folders"',
         "mail.server.server1.userName": '"nobody"', "mail.shell.checkDefaultClient": "false",
         "mailnews.start_page.enabled": "false", "datareporting.policy.dataSubmissionEnabled": "false"}
with open(os.path.join(profile, "user.js"), "w") as js:
    js.writelines(f'user_pref("{k}", {v});\n' for k, v in prefs.items())
# Claws Mail: an account and its folders, made before the start.
claws = os.path.join(home, ".claws-mail")
os.makedirs(claws)
with open(os.path.join(claws, "accountrc"), "w") as rc:
    rc.write("[Account: 1]\naccount_name=Anna\nis_default=1\nname=Anna\naddress=anna@firma.pl\nprotocol=6\n"
             "receive_server=\nsmtp_server=localhost\n")
with open(os.path.join(claws, "clawsrc"), "w") as rc:
    rc.write("[Common]\nenable_aspell=0\n")
folders = "".join(f'<folderitem type="{t}" name="{n}" path="{n}"/>\n' for t, n in
                  (("inbox", "inbox"), ("outbox", "sent"), ("queue", "queue"), ("trash", "trash"), ("draft", "draft")))
with open(os.path.join(claws, "folderlist.xml"), "w") as xml:
    xml.write('<?xml version="1.0" encoding="UTF-8"?>\n<folderlist>\n'
              '<folder type="mh" name="Mailbox" path="Mail" collapsed="0">\n' + folders + "</folder>\n</folderlist>\n")
for name in ("inbox", "sent", "queue", "trash", "draft"):
    os.makedirs(os.path.join(home, "Mail", name))

def servers():
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-nolisten", "tcp"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    display = ":" + xvfb.stdout.readline().decode().strip()
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    address = bus.stdout.readline().decode().strip()
    runtime = tempfile.mkdtemp(prefix="run-", dir=work)
    # The system's data folders: Evolution needs their GSettings schemas.
    env = dict(base, PATH="/usr/bin:/bin", DISPLAY=display, DBUS_SESSION_BUS_ADDRESS=address,
               XDG_DATA_DIRS="/usr/local/share:/usr/share", XDG_CONFIG_DIRS="/etc/xdg",
               XDG_RUNTIME_DIR=runtime, MOZ_LEGACY_PROFILES="1", GSETTINGS_BACKEND="memory")
    return [xvfb, bus], env

def ours():
    """The clients this script started: the processes with its home."""
    mark = ("HOME=" + home).encode() + b"\0"
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as environ:
                if mark in environ.read():
                    found.append(int(pid))
        except OSError:
            pass
    return found

def stop(processes):
    for pid in ours():
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    for process in processes:
        process.terminate()
        process.wait()
    deadline = time.time() + 10
    while ours() and time.time() < deadline:
        time.sleep(0.2)
    for pid in ours():
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

def measure(name, version_command, extra):
    if not shutil.which(version_command[0], path="/usr/bin:/bin"):
        print(f"| {name + ': not installed':58s} |           |        |        |      |")
        return
    version = subprocess.run(version_command, capture_output=True, text=True,
                             env={"PATH": "/usr/bin:/bin", "HOME": home}).stdout.strip().splitlines()[0]
    first, handed = [], []
    for run in range(first_runs):
        processes, env = servers()
        try:
            first.append(timed(env, extra=extra))
            time.sleep(4)  # the first instance settles before the next message
            if run == 0:
                handed = [timed(env, extra=extra) for _ in range(runs)]
        finally:
            stop(processes)
    report(version + ", first instance", first)
    report(version + ", handed to the running one", handed)

try:
    measure("Thunderbird", ["thunderbird", "--version"], ("-client", "thunderbird"))
    measure("Claws Mail", ["claws-mail", "--version"], ("-client", "claws-mail"))
    measure("Evolution", ["evolution", "--version"], ("-client", "evolution"))
finally:
    stop([])
    shutil.rmtree(work, ignore_errors=True)
PYTHON

# Wine: Wrenpost.exe on a desk without Outlook whose default mail client is
# Thunderbird, played by the stand-in thunderbird.exe (its control file says
# how it ends); each run timed by wine_runner.exe (run_ms: from letting the
# program go to its end), which reads and closes the box of a failed run.
source bench/wine_prefix.sh
helpers=${WRENPOST_WINE_HELPERS:-build-wine/helpers}
stand_ins=${WRENPOST_WINE_STAND_INS:-build-wine/stand_ins-x86_64}
exe64=${WRENPOST_WINE_EXE64:-build-mingw64/Wrenpost.exe}
exe32=${WRENPOST_WINE_EXE32:-build-mingw32/Wrenpost.exe}
wine32=${WRENPOST_WINE32:-/usr/lib/wine/wine}
missing=
for need in "wine64:$wine" "wineserver:$wineserver" "Xvfb:$(command -v Xvfb || true)" "$exe64:$exe64" \
  "$helpers/wine_runner.exe:$helpers/wine_runner.exe" "$stand_ins/thunderbird.exe:$stand_ins/thunderbird.exe"; do
  [ -n "$missing" ] || [ -f "${need#*:}" ] || missing=${need%%:*}
done
if [ -n "$missing" ]; then
  echo "Wine rows: not measured (no $missing; tools/test_windows.sh builds the Windows pieces and helpers)"
  exit 0
fi
exes=("$exe64:64-bit")
# Whether 32-bit programs run here: the kernel, then Wine's 32-bit loader.
skip32=
if [ -e /lib/ld-linux.so.2 ] && ! says=$(/lib/ld-linux.so.2 --version 2>&1 </dev/null); then
  skip32="this machine cannot execute 32-bit programs: /lib/ld-linux.so.2 --version says ${says##*: }"
elif [ ! -x "$wine32" ] || [ "$(od -An -tx1 -j4 -N1 "$wine32" 2>/dev/null | tr -d ' ')" != 01 ]; then
  skip32="the 32-bit Wine loader (package wine32:i386) is not installed"
elif ! says=$("$wine32" --version 2>&1 </dev/null); then
  skip32="this machine cannot execute 32-bit programs: $wine32 --version says ${says##*: }"
elif [ ! -f "$exe32" ]; then
  skip32="no $exe32"
else
  exes+=("$exe32:32-bit")
fi

work=$(mktemp -d)
trap 'wine_prefix_stop; rm -rf "$work"' EXIT
wine_prefix_start "$work"
wine_version=$("$wine" --version | cut -d' ' -f1)
tools=$WINEPREFIX/drive_c/wrenpost-tools watch=$WINEPREFIX/drive_c/watch
mkdir -p "$tools" "$watch"
cp "$helpers/wine_runner.exe" "$stand_ins/thunderbird.exe" "$tools/"
# The default client in both views of HKLM\Software\Clients (Wine shows a
# 32-bit process the Wow6432Node copy). Wine's windows unmanaged: Xvfb has no
# window manager, and Wine waits 2 s for one to take every closed box away.
for view in '' 'Wow6432Node\'; do
  printf '[HKEY_LOCAL_MACHINE\\Software\\%sClients\\Mail]\n@="Mozilla Thunderbird"\n\n' "$view"
  printf '[HKEY_LOCAL_MACHINE\\Software\\%sClients\\Mail\\Mozilla Thunderbird\\shell\\open\\command]\n' "$view"
  printf '@="\\"C:\\\\wrenpost-tools\\\\thunderbird.exe\\" -mail"\n\n'
done | { printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\n"Managed"="N"\n\n'; cat; } |
  sed 's/$/\r/' > "$watch/clients.reg"
timeout 60 "$wine" reg import 'C:\watch\clients.reg' >/dev/null 2>&1
# A profile with a mail account: without one the program starts nothing.
profile=$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Thunderbird
mkdir -p "$profile/Profiles/watch.default"
printf '[Profile0]\r\nName=default\r\nIsRelative=1\r\nPath=Profiles/watch.default\r\nDefault=1\r\n' \
  > "$profile/profiles.ini"
printf 'user_pref("%s", "%s");\r\n' mail.accountmanager.accounts account1 mail.account.account1.identities id1 \
  mail.identity.id1.useremail biuro@firma.pl > "$profile/Profiles/watch.default/prefs.js"

# One whole run with `client` (-client auto: Thunderbird, as the registry
# says); its run_ms goes to `times`. Stops the script when the run ended
# otherwise than expected (exit code, boxes, the stand-in started or not).
wine_run() {
  local control=$1 exit_code=$2 boxes=$3 client=$4 report started=1
  [ "$client" = auto ] || started=0
  printf '%s\n' 'app=C:\watch\Wrenpost.exe' 'timeout=30000' \
    "cmdline=\"C:\\watch\\Wrenpost.exe\" -client $client -to anna@firma.pl -subject Pomiar -body treść" \
    > "$watch/request.txt"
  printf '%s\n' "$control" > "$tools/thunderbird_control.txt"
  rm -f "$tools/thunderbird_calls.txt" "$watch/report.txt"
  timeout 120 "$wine" 'C:\wrenpost-tools\wine_runner.exe' run 'C:\watch\request.txt' 'C:\watch\report.txt' \
    >/dev/null 2>&1 || true
  report=$(tr -d '\r' < "$watch/report.txt" 2>/dev/null || true)
  if ! grep -qx "exit=$exit_code" <<<"$report" || ! grep -qx "boxes=$boxes" <<<"$report" ||
    ! grep -qx timed_out=0 <<<"$report" || grep -q '^box1.error=' <<<"$report" ||
    [ "$(cat "$tools/thunderbird_calls.txt" 2>/dev/null | grep -cx started)" != "$started" ]; then
    echo "a Wine run (-client $client, stand-in: $control) did not end with $exit_code and $boxes box(es):" >&2
    tr '\n' ' ' <<<"$report" >&2
    iconv -f cp1250 -t utf-8 "$watch/Wrenpost.log" 2>/dev/null | tail -n 5 >&2
    exit 1
  fi
  times+=("$(sed -n 's/^run_ms=//p' <<<"$report")")
  # A first instance ends before the next run starts another.
  if [ "${control%% *}" = run ] || [ "${control%% *}" = window ]; then
    for _ in $(seq 100); do grep -qx ended "$tools/thunderbird_calls.txt" && break; sleep 0.1; done
  fi
}

# stand-in's control | exit | boxes | -client | label
cases=("exit 0|0|0|auto|stand-in hands over at once (exit 0)"
  "fail 1 Error: cannot open the profile|1|1|auto|stand-in fails at once (exit 1, 429 box)"
  "run 4000|0|0|auto|stand-in runs, shows nothing (ceiling)"
  "window 4000|0|0|auto|stand-in's window (WaitForInputIdle)"
  "-|1|1|evolution|no start: -client refused (its box)")
for entry in "${exes[@]}"; do
  cp "${entry%:*}" "$watch/Wrenpost.exe"
  for case in "${cases[@]}"; do
    IFS='|' read -r control exit_code boxes client label <<<"$case"
    times=()
    for _ in $(seq "$runs"); do wine_run "$control" "$exit_code" "$boxes" "$client"; done
    printf '%s\n' "${times[@]}" | sort -n | awk -v name="$wine_version ${entry##*:}, $label" '
      { v[NR] = $1 } END { printf "| %-58s | %9.0f | %6d | %6d | %4d |\n", name,
        NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[1], v[NR], NR }'
  done
done
[ -z "$skip32" ] || echo "Wine rows of $exe32 (32-bit): not measured ($skip32)"
