#!/usr/bin/env bash
# What watching a started mail client costs a run: whole runs of the built
# program (wall time, median of N), in one run on one machine, with
#   - stand-in clients (a shell script on PATH): one that hands the message
#     over at once (exit 0), one that fails at once (an error line, exit 1),
#     one that keeps running without any sign of life (the 3 s ceiling);
#   - where Xvfb and dbus-daemon are installed, the real Thunderbird, Claws
#     Mail and Evolution (no account: its first-start assistant): their first instance (a display, a session bus and a
#     runtime folder of its own each time) and a message handed to the
#     running one.
# The Windows Thunderbird route under Wine is not measured here.
#   bench/start_watch.sh [build folder, default build-desktop]
# WRENPOST_WATCH_RUNS sets N (default 5); a real first instance runs 3 times.
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
