# Shared by the application benchmarks (app-bench.sh, idle-bench.sh): a private loopback-only
# network, the local servers, a fresh drive mapping for the installer and an Xvfb of their
# own. Expects $here (this folder), then $build and $work; the caller's exit trap calls
# stop_app_bench.

# Re-runs the calling script ("$0" "$@") in a network namespace of its own with only loopback.
in_loopback_net() {
  if [ -z "${JF_BENCH_NETNS:-}" ]; then
    exec unshare --net -- env JF_BENCH_NETNS=1 sh -c 'ip link set lo up && exec "$0" "$@"' "$@"
  fi
}

py=/usr/bin/python3
[ -x "$py" ] || py=python3
server_pid=
xvfb_pid=
app_pid=

stop_app_bench() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}

# The update, statistics and download-report servers on loopback; extra arguments go to them.
start_local_servers() {
  "$py" "$here/../tools/local_servers.py" serve --installer "$build/tools/jfstandin" --record /dev/null \
    --ready "$work/ready.json" "$@" > "$work/servers.out" 2>&1 &
  server_pid=$!
  for _ in $(seq 600); do [ -s "$work/ready.json" ] && break; sleep 0.05; done
}

# Drives C: and D: in $work, empty, with the program in D:\Downloads.
fresh_mapping() {
  rm -rf "$work/c" "$work/d" "$work/run"
  mkdir -p "$work/c" "$work/d/Downloads" "$work/run"
  chmod 700 "$work/run"
  cp "$build/app/jfinstall" "$work/d/Downloads/jfinstall"
  printf '[Debug]\r\nLog=0\r\nUpdateURL=http://127.0.0.1/vrminiinstall.txt\r\n' > "$work/d/Downloads/jfminiinstall.ini"
}

# An Xvfb on the first free display number from $1 to $2, as $DISPLAY.
start_xvfb() {
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp > /dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do "$build/tools/jfxdrive" windows > /dev/null 2>&1 && break; sleep 0.05; done
    return 0
  done
  return 1
}
