#!/usr/bin/env bash
# What watching a started mail client costs a run: whole runs of the built
# program (wall time, median of N) with a stand-in client that hands the
# message over at once (exit 0) or keeps running, and, where Thunderbird, Xvfb
# and dbus-daemon are installed, with the real Thunderbird as the first
# instance and with a message handed to a running one.
#   bench/start_watch.sh [build folder, default build-desktop]
# WRENPOST_WATCH_RUNS sets N (default 11; the real first instance runs 5 times).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-desktop}
runs=${WRENPOST_WATCH_RUNS:-11}
cmake --build "$build" --target wrenpost > /dev/null

python3 - "$build/wrenpost" "$runs" << 'PYTHON'
import os, shutil, statistics, subprocess, sys, tempfile, time

program, runs = os.path.abspath(sys.argv[1]), int(sys.argv[2])
work = tempfile.mkdtemp(prefix="wrenpost-watch-")
bin_dir, home = os.path.join(work, "bin"), os.path.join(work, "home")
os.makedirs(bin_dir); os.makedirs(home)
shutil.copy(program, os.path.join(work, "wrenpost"))
base = {"PATH": bin_dir, "HOME": home, "TMPDIR": work, "DISPLAY": ":0",
        "XDG_CONFIG_DIRS": os.path.join(work, "etc"), "XDG_DATA_DIRS": os.path.join(work, "share")}

def timed(env, args=("-to", "anna@firma.pl", "-subject", "Pomiar", "-body", "treść")):
    start = time.perf_counter()
    done = subprocess.run([os.path.join(work, "wrenpost"), *args], env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("a run failed: see " + os.path.join(work, "Wrenpost.log"))
    return elapsed

def stand_in(ending):
    path = os.path.join(bin_dir, "thunderbird")
    with open(path, "w") as script:
        script.write("#!/bin/sh\n" + ending + "\n")
    os.chmod(path, 0o700)

def report(name, times):
    print(f"{name:45s} median {statistics.median(times) * 1000:7.0f} ms   "
          f"min {min(times) * 1000:6.0f}   max {max(times) * 1000:6.0f}   ({len(times)} runs)")

stand_in("exit 0")
report("stand-in, exit 0 at once", [timed(base) for _ in range(runs)])
stand_in("exec /bin/sleep 10")
report("stand-in, still running", [timed(base) for _ in range(runs)])

needed = ["thunderbird", "Xvfb", "dbus-daemon"]
if not all(shutil.which(tool, path="/usr/bin:/bin") for tool in needed):
    print("real Thunderbird: not measured (needs " + ", ".join(needed) + ")")
    sys.exit(0)

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

def servers():
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-nolisten", "tcp"], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL)
    display = ":" + xvfb.stdout.readline().decode().strip()
    bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    address = bus.stdout.readline().decode().strip()
    env = dict(base, PATH="/usr/bin:/bin", DISPLAY=display, DBUS_SESSION_BUS_ADDRESS=address,
               MOZ_LEGACY_PROFILES="1")
    return [xvfb, bus], env

def stop(processes):
    for process in processes:
        process.terminate()
        process.wait()
    time.sleep(2)  # Thunderbird ends with its display

first, handed = [], []
for run in range(5):
    processes, env = servers()
    first.append(timed(env))
    time.sleep(5)  # the first instance settles before the next message
    if run == 0:
        handed = [timed(env) for _ in range(runs)]
    stop(processes)
report("Thunderbird " + subprocess.run(["thunderbird", "--version"], capture_output=True, text=True,
       env={"PATH": "/usr/bin:/bin", "HOME": home}).stdout.strip() + ", first instance", first)
report("the same, handed to the running instance", handed)
shutil.rmtree(work, ignore_errors=True)
PYTHON
