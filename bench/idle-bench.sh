#!/usr/bin/env bash
# The installer idle on its first page, on an Xvfb of its own and loopback only: the CPU time
# (utime + stime of all threads, /proc/<pid>/stat) and the context switches (voluntary and
# involuntary, summed over /proc/<pid>/task/*/status) in a window of N seconds, after the
# window has been shown and painted.
# usage: bench/idle-bench.sh [build folder, default build] [seconds, default 10]
set -euo pipefail
if [ -z "${JF_BENCH_NETNS:-}" ]; then
  exec unshare --net -- env JF_BENCH_NETNS=1 sh -c 'ip link set lo up && exec "$0" "$@"' "$0" "$@"
fi
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
seconds=${2:-10}
py=/usr/bin/python3
[ -x "$py" ] || py=python3
work=$(mktemp -d /tmp/jfidlebench.XXXXXX)
server_pid=
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

"$py" "$here/../tools/local_servers.py" serve --installer "$build/tools/jfstandin" --record /dev/null \
  --ready "$work/ready.json" > "$work/servers.out" 2>&1 &
server_pid=$!
for _ in $(seq 600); do [ -s "$work/ready.json" ] && break; sleep 0.05; done

mkdir -p "$work/c" "$work/d/Downloads" "$work/run"
chmod 700 "$work/run"
cp "$build/app/jfinstall" "$work/d/Downloads/jfinstall"
printf '[Debug]\r\nLog=0\r\nUpdateURL=http://127.0.0.1/vrminiinstall.txt\r\n' > "$work/d/Downloads/jfminiinstall.ini"
export XDG_RUNTIME_DIR="$work/run"
export JF_DRIVES="C=$work/c;D=$work/d"

for n in $(seq 210 250); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do "$build/tools/jfxdrive" windows > /dev/null 2>&1 && break; sleep 0.05; done
  break
done

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
