#!/usr/bin/env bash
# Serves a file with nginx on loopback and downloads it with the engine (three sources:
# the host and two spare addresses), with "aria2c -x3 -s3" and with plain curl, for each
# size given; prints time, throughput and peak memory of each, the engine/aria2c and
# engine/curl time ratios, and the program's MD5 of the file against md5sum's. The files
# live under /tmp, on disk here, so the large sizes go past the page cache's dirty limit.
# usage: bench/compare.sh [engine_bench binary] [sizes in MiB, comma-separated,
#        default 256,1024,4096] [rounds, default 2]
# The tools take turns round by round; each row gives the best and the median round.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/nginx-common.sh"
in_private_net "$@"
bin=$(realpath "${1:-$here/../build/bench/engine_bench}")
md5bin=${JF_MD5_BENCH:-$(dirname "$bin")/md5_bench}
sizes=${2:-256,1024,4096}
runs=${3:-2}

# Every program of one comparison runs on the same cores (JF_BENCH_CPUS, default 2-4), nginx
# included; empty runs unpinned.
cpus=${JF_BENCH_CPUS-2-4}
pin=()
[ -n "$cpus" ] && pin=(taskset -c "$cpus")

# Runs a command once; appends its wall time to the tool's list and keeps its peak memory (KiB).
# The engine reports its own peak (a figure taken through a parent counts the parent's image).
declare -A times rss
measure() {
  local tool=$1; shift
  rm -rf "$work/out"/*
  sync
  local start end t m
  start=$(date +%s%N)
  "${pin[@]}" /usr/bin/time -f "%M" -o "$work/time.txt" "$@" > "$work/cmd.log" 2>&1 || { cat "$work/cmd.log"; return 1; }
  end=$(date +%s%N)
  t=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
  read -r m < "$work/time.txt"
  own=$(sed -n 's/.*peak_rss=\([0-9.]*\) MiB.*/\1/p' "$work/cmd.log")
  [ -n "$own" ] && m=$(awk -v x="$own" 'BEGIN { printf "%d", x * 1024 }')
  times[$tool]="${times[$tool]:-} $t"
  rss[$tool]=$m
}

# Best and median of a list of times.
best() { tr ' ' '\n' <<< "$1" | grep . | sort -g | head -1; }
median() { tr ' ' '\n' <<< "$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

check() {
  local got
  got=$(md5sum "$1" | cut -d' ' -f1)
  [ "$got" = "$md5" ] || { echo "digest mismatch for $1"; exit 1; }
}

row() {
  local b m
  b=$(best "${times[$1]}"); m=$(median "${times[$1]}")
  awk -v n="$1" -v b="$b" -v md="$m" -v r="${rss[$1]}" -v s="$size" \
    'BEGIN { printf "%-8s %7.3f s best %7.3f s median %9.1f MiB/s %8.1f MiB peak\n", n, b, md, s / 1048576 / b, r / 1024 }'
}
# The program's digest of the (cached) file against md5sum and openssl md5, taking turns.
digest_times() { "${pin[@]}" "$md5bin" "$1" "$runs" | tail -n +2; }

for mib in ${sizes//,/ }; do
  serve_random_file "$mib"
  [ -n "$cpus" ] && taskset -a -p -c "$cpus" "$(cat "$work/nginx.pid")" > /dev/null
  for p in $(pgrep -P "$(cat "$work/nginx.pid")"); do [ -n "$cpus" ] && taskset -p -c "$cpus" "$p" > /dev/null; done
  echo "file: $mib MiB on loopback (nginx), $runs rounds taking turns${cpus:+, every program on cores $cpus}"
  times=(); rss=()
  # The digest is checked outside the timed run for every tool alike.
  for _ in $(seq "$runs"); do
    measure engine "$bin" --url "$url" --spare "127.0.0.2;127.0.0.3" --size "$size" --out "$work/out/engine.bin"
    check "$work/out/engine.bin"
    measure aria2c aria2c -x3 -s3 -q --file-allocation=none --allow-overwrite=true -d "$work/out" -o aria.bin "$url"
    check "$work/out/aria.bin"
    measure curl curl -s -o "$work/out/curl.bin" "$url"
    check "$work/out/curl.bin"
  done
  row engine; row aria2c; row curl
  awk -v e="$(best "${times[engine]}")" -v a="$(best "${times[aria2c]}")" -v c="$(best "${times[curl]}")" \
      -v me="$(median "${times[engine]}")" -v ma="$(median "${times[aria2c]}")" -v mc="$(median "${times[curl]}")" \
    'BEGIN { printf "engine/aria2c time ratio: %.2f best, %.2f median; engine/curl: %.2f best, %.2f median\n", e / a, me / ma, e / c, me / mc }'
  [ -x "$md5bin" ] && digest_times "$work/www/file.bin"
  rm -rf "$work/out"/*
  stop_nginx "$work"; rm -rf "$work"; trap - EXIT
done
