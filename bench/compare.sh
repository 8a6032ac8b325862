#!/usr/bin/env bash
# Serves a file with nginx on loopback and downloads it with the engine (three sources:
# the host and two spare addresses), with "aria2c -x3 -s3" and with plain curl, for each
# size given; prints time, throughput and peak memory of each, the engine/aria2c and
# engine/curl time ratios, and the program's MD5 of the file against md5sum's. The files
# live under /tmp, on disk here, so the large sizes go past the page cache's dirty limit.
# usage: bench/compare.sh [engine_bench binary] [sizes in MiB, comma-separated,
#        default 256,1024,4096] [runs, default 2]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/nginx-common.sh"
in_private_net "$@"
bin=$(realpath "${1:-$here/../build/bench/engine_bench}")
md5bin=$(dirname "$bin")/md5_bench
sizes=${2:-256,1024,4096}
runs=${3:-2}

# Runs a command `runs` times; keeps the best wall time and its peak memory (KiB). The
# engine reports its own peak (a figure taken through a parent counts the parent's image).
best_time=""; best_rss=""
measure() {
  best_time=""; best_rss=""
  for _ in $(seq "$runs"); do
    rm -rf "$work/out"/*
    sync
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > "$work/cmd.log" 2>&1 || { cat "$work/cmd.log"; return 1; }
    read -r t m < "$work/time.txt"
    own=$(sed -n 's/.*peak_rss=\([0-9.]*\) MiB.*/\1/p' "$work/cmd.log")
    [ -n "$own" ] && m=$(awk -v x="$own" 'BEGIN { printf "%d", x * 1024 }')
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

# The best of `runs` digests of the (cached) file, by the program and by md5sum.
digest_times() {
  local ours="" theirs="" t
  for _ in $(seq "$runs"); do
    t=$("$md5bin" "$1" | awk '{ print $2 }')
    if [ -z "$ours" ] || awk "BEGIN{exit !($t < $ours)}"; then ours=$t; fi
    /usr/bin/time -f "%e" -o "$work/time.txt" md5sum "$1" > /dev/null
    t=$(cat "$work/time.txt")
    if [ -z "$theirs" ] || awk "BEGIN{exit !($t < $theirs)}"; then theirs=$t; fi
  done
  awk -v a="$ours" -v b="$theirs" -v s="$size" 'BEGIN {
    printf "md5      %8.2f s %9.1f MiB/s (md5sum %.2f s, %.1f MiB/s): %.2fx md5sum throughput\n",
           a, s / 1048576 / a, b, s / 1048576 / b, b / a }'
}

for mib in ${sizes//,/ }; do
  serve_random_file "$mib"
  echo "file: $mib MiB on loopback (nginx), best of $runs runs"
  # The digest is checked outside the timed run for every tool alike.
  measure "$bin" --url "$url" --spare "127.0.0.2;127.0.0.3" --size "$size" --out "$work/out/engine.bin"
  check "$work/out/engine.bin"; engine_t=$best_time; row engine "$best_time" "$best_rss"
  measure aria2c -x3 -s3 -q --file-allocation=none --allow-overwrite=true -d "$work/out" -o aria.bin "$url"
  check "$work/out/aria.bin"; aria_t=$best_time; row aria2c "$best_time" "$best_rss"
  measure curl -s -o "$work/out/curl.bin" "$url"
  check "$work/out/curl.bin"; curl_t=$best_time; row curl "$best_time" "$best_rss"
  awk -v e="$engine_t" -v a="$aria_t" -v c="$curl_t" \
    'BEGIN { printf "engine/aria2c time ratio: %.2f, engine/curl: %.2f\n", e / a, e / c }'
  [ -x "$md5bin" ] && digest_times "$work/www/file.bin"
  rm -rf "$work/out"/*
  stop_nginx "$work"; rm -rf "$work"; trap - EXIT
done
