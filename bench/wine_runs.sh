#!/usr/bin/env bash
# Whole runs of Wrenpost.exe under Wine against the stand-in mail client, timed
# by the runner from the moment the program is let go to its end (a helper
# that holds the log has taken it before):
#   - a typical run;
#   - 1,000 recipients;
#   - 1,000 recipients, the stand-in's Add answering no object, as Outlook on
#     Windows does for a caller that asks for none (Wine's proxy always asks
#     the server for the answer, and lets go of it only when the run ends);
#   - a typical run while another program holds Wrenpost.log for the whole run.
#
#   bench/wine_runs.sh [Wrenpost.exe ...]    (default: build-mingw32 and build-mingw64)
#
# Needs what tools/test_windows.sh needs, and the helpers it builds in
# build-wine/helpers (WRENPOST_WINE_HELPERS names another folder).
# WRENPOST_BENCH_RUNS sets the runs per case (default 5); the median is shown.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
runs=${WRENPOST_BENCH_RUNS:-5}
helpers=${WRENPOST_WINE_HELPERS:-$root/build-wine/helpers}
source "$root/bench/wine_prefix.sh"
exes=("$@")
[ ${#exes[@]} -gt 0 ] || exes=(build-mingw32/Wrenpost.exe build-mingw64/Wrenpost.exe)
for exe in "${exes[@]}"; do [ -f "$exe" ] || { echo "no $exe: build it first" >&2; exit 1; }; done
for helper in fake_outlook wine_runner log_holder; do
  [ -f "$helpers/$helper.exe" ] || { echo "no $helpers/$helper.exe: run tools/test_windows.sh first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'wine_prefix_stop; rm -rf "$work"' EXIT
wine_prefix_start "$work"
tools=$WINEPREFIX/drive_c/wrenpost-tools
mkdir -p "$tools"
cp "$helpers/fake_outlook.exe" "$helpers/wine_runner.exe" "$helpers/log_holder.exe" "$tools/"
timeout 60 "$wine" 'C:\wrenpost-tools\fake_outlook.exe' /regserver
# One client keeps the stand-in server running for all runs, as a user's
# Outlook usually is: every run measures the program, not a server start.
echo "lifetime 3600" > "$tools/control.txt"
"$wine" 'C:\wrenpost-tools\wine_runner.exe' client BenchServerUp 3600000 >/dev/null 2>&1 &
for _ in $(seq 300); do grep -q '^ClassFactory.CreateInstance' "$tools/calls.txt" 2>/dev/null && break; sleep 0.1; done
grep -q '^ClassFactory.CreateInstance' "$tools/calls.txt" || { echo "the stand-in server did not start" >&2; exit 1; }

# Runs one request in C:\bench\<case>; prints the elapsed milliseconds.
run_once() {
  local case=$1 exe=$2 args=$3 helper=${4:-}
  local dir=$WINEPREFIX/drive_c/bench/$case
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$exe" "$dir/Wrenpost.exe"
  local win='C:\bench\'$case
  {
    echo "app=$win\\Wrenpost.exe"
    echo "cmdline=\"$win\\Wrenpost.exe\" $args"
    echo "timeout=120000"
    if [ -n "$helper" ]; then
      printf 'start\r\n' > "$dir/Wrenpost.log"
      echo "helper=\"C:\\wrenpost-tools\\log_holder.exe\" \"$win\\Wrenpost.log\" 30000 start BenchHolder \"$win\\holder.txt\""
      echo "helper_ready=BenchHolder.held"  # the run starts once the log is really held
    fi
  } > "$dir/request.txt"
  timeout 200 "$wine" 'C:\wrenpost-tools\wine_runner.exe' run "$win\\request.txt" "$win\\report.txt" >/dev/null 2>&1 || true
  local exit_code elapsed
  exit_code=$(sed -n 's/^exit=//p' "$dir/report.txt" 2>/dev/null)
  elapsed=$(sed -n 's/^run_ms=//p' "$dir/report.txt" 2>/dev/null)
  [ "$exit_code" = 0 ] || { echo "run failed: $case ($(tr '\n' ' ' < "$dir/report.txt" 2>/dev/null))" >&2; echo -1; return; }
  echo "$elapsed"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

recipients=$(seq -f 'adresat%g@firma.pl' 1 1000 | paste -sd';')
typical='-to anna@firma.pl;jan@firma.pl -subject Oferta -body Dzień dobry -attachment C:\brak.pdf'
printf '| %-34s | %-22s | %s |\n' "case ($runs runs, median)" "executable" "ms"
printf '|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..36})" "$(printf -- '-%.0s' {1..24})" "------"
for exe in "${exes[@]}"; do
  for case in typical recipients unanswered held; do
    times=()
    # Read by the server at every activation.
    if [ "$case" = unanswered ]; then
      printf 'lifetime 3600\nadds unanswered\n' > "$tools/control.txt"
    else
      echo "lifetime 3600" > "$tools/control.txt"
    fi
    for i in $(seq "$runs"); do
      case $case in
        typical) times+=("$(run_once "$case$i" "$exe" "$typical")") ;;
        recipients | unanswered) times+=("$(run_once "$case$i" "$exe" "-subject Lista -to $recipients")") ;;
        held) times+=("$(run_once "$case$i" "$exe" "$typical" holder)") ;;
      esac
    done
    label=$case
    [ "$case" = recipients ] && label="1,000 recipients"
    [ "$case" = unanswered ] && label="1,000 recipients, Add unanswered"
    [ "$case" = held ] && label="typical, log held for the whole run"
    printf '| %-34s | %-22s | %s |\n' "$label" "$exe" "$(printf '%s\n' "${times[@]}" | median)"
  done
done
