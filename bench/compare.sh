#!/usr/bin/env bash
# Serves one file with nginx on loopback and downloads it with the engine (three sources:
# the host and two spare addresses), with "aria2c -x3 -s3" and with plain curl; prints
# time, throughput and peak memory of each and the engine/aria2c time ratio.
# usage: bench/compare.sh [engine_bench binary] [size in MiB, default 256] [runs, default 2]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/nginx-common.sh"
in_private_net "$@"
bin=$(realpath "${1:-$here/../build/bench/engine_bench}")
mib=${2:-256}
runs=${3:-2}

serve_random_file "$mib"

# Runs a command `runs` times; keeps the best wall time and its peak memory (KiB).
best_time=""; best_rss=""
measure() {
  best_time=""; best_rss=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out"/*
    sync
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > "$work/cmd.log" 2>&1 || { cat "$work/cmd.log"; return 1; }
    read -r t m < "$work/time.txt"
    if [ -z "$best_time" ] || awk "BEGIN{exit !($t < $best_time)}"; then best_time=$t; best_rss=$m; fi
  done
}

check() {
  local got
  got=$(md5sum "$1" | cut -d' ' -f1)
  [ "$got" = "$md5" ] || { echo "digest mismatch for $1"; exit 1; }
}

row() {
  awk -v n="$1" -v t="$2" -v m="$3" -v s="$size" \
    'BEGIN { printf "%-8s %8.2f s %9.1f MiB/s %8.1f MiB peak\n", n, t, s / 1048576 / t, m / 1024 }'
}

echo "file: $mib MiB on loopback (nginx), best of $runs runs"
# The digest is checked outside the timed run for every tool alike.
measure "$bin" --url "$url" --spare "127.0.0.2;127.0.0.3" --size "$size" --out "$work/out/engine.bin"
check "$work/out/engine.bin"; engine_t=$best_time; row engine "$best_time" "$best_rss"
measure aria2c -x3 -s3 -q --file-allocation=none --allow-overwrite=true -d "$work/out" -o aria.bin "$url"
check "$work/out/aria.bin"; aria_t=$best_time; row aria2c "$best_time" "$best_rss"
measure curl -s -o "$work/out/curl.bin" "$url"
check "$work/out/curl.bin"; row curl "$best_time" "$best_rss"
awk -v e="$engine_t" -v a="$aria_t" 'BEGIN { printf "engine/aria2c time ratio: %.2f\n", e / a }'
