#!/usr/bin/env bash
# The installer idle on its first page, on an Xvfb of its own and loopback only: the CPU time
# (utime + stime of all threads, /proc/<pid>/stat) and the context switches (voluntary and
# involuntary, summed over /proc/<pid>/task/*/status) in a window of N seconds, after the
# window has been shown and painted.
# usage: bench/idle-bench.sh [build folder, default build] [seconds, default 10]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/app-common.sh"
in_loopback_net "$0" "$@"
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-10}
work=$(mktemp -d /tmp/jfidlebench.XXXXXX)
trap stop_app_bench EXIT

start_local_servers
fresh_mapping
export XDG_RUNTIME_DIR="$work/run"
export JF_DRIVES="C=$work/c;D=$work/d"
start_xvfb 210 250 || { echo "no Xvfb could be started" >&2; exit 1; }

(cd "$work/d/Downloads" && exec ./jfinstall) &
app_pid=$!
"$build/tools/jfxdrive" wait 540 434 20000 > /dev/null || { echo "the main window did not appear" >&2; exit 1; }
sleep 2

# Clock ticks (utime + stime) are 10 ms coarse; the scheduler's run time per thread
# (/proc/<pid>/task/*/schedstat, nanoseconds) is the finer figure.
sample() {
  local ticks switches=0 run=0 f t
  ticks=$(awk '{print $14 + $15}' "/proc/$app_pid/stat")
  for t in /proc/"$app_pid"/task/*; do
    switches=$((switches + $(awk '/^(non)?voluntary_ctxt_switches/ {s += $2} END {print s + 0}' "$t/status" 2>/dev/null || echo 0)))
    run=$((run + $(awk '{print $1}' "$t/schedstat" 2>/dev/null || echo 0)))
  done
  echo "$ticks $run $switches"
}
# Context switches per thread, by name, to tell whose wake-ups they are.
per_thread() {
  local t
  for t in /proc/"$app_pid"/task/*; do
    printf '%s %s %s\n' "${t##*/}" "$(cat "$t/comm" 2>/dev/null)" \
      "$(awk '/^(non)?voluntary_ctxt_switches/ {s += $2} END {print s + 0}' "$t/status" 2>/dev/null)"
  done
}
hz=$(getconf CLK_TCK)
per_thread > "$work/threads0"
read -r t0 r0 s0 < <(sample)
sleep "$seconds"
read -r t1 r1 s1 < <(sample)
per_thread > "$work/threads1"
join "$work/threads0" "$work/threads1" | awk '{printf "  thread %s (%s): %d context switches\n", $1, $2, $5 - $3}'

threads=$(ls /proc/"$app_pid"/task | wc -l)
printf 'idle on the first page, %s s: CPU %d ms (run time %.1f ms), context switches %d (%d threads)\n' "$seconds" \
  $(( (t1 - t0) * 1000 / hz )) "$(echo "($r1 - $r0) / 1000000" | bc -l)" $((s1 - s0)) "$threads"
