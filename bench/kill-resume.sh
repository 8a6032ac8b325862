#!/usr/bin/env bash
# Kills the engine at random moments of a download and starts it again, until the file is
# complete; then checks the digest and how many bytes the runs asked for in all (the sum of
# the requested ranges): at most the file plus, for every kill, the blocks that were in
# flight (3 sources x 1,310,720 bytes); the resume file is saved after every finished
# block, so nothing that finished is asked for again. Prints the bytes asked for again per
# kill in blocks. The bytes the server pushed into socket buffers are shown too; a killed
# client never read part of them.
# usage: bench/kill-resume.sh [engine_bench binary] [size in MiB, default 64] [kills, default 8]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/nginx-common.sh"
# Its own namespace: the loopback there is slowed down below.
in_private_net "$@"
bin=$(realpath "${1:-$here/../build/bench/engine_bench}")
mib=${2:-64}
kills=${3:-8}
# nginx limits each request, and every block is a request of its own: shape the link.
tc qdisc add dev lo root tbf rate "${LINK_RATE:-100mbit}" burst 256kb latency 50ms

serve_random_file "$mib"
args=(--url "$url" --spare "127.0.0.2;127.0.0.3" --size "$size" --md5 "$md5" --out "$work/out/file.bin" --quiet)

done_kills=0
for i in $(seq "$kills"); do
  # Started directly, so that the kill reaches the program itself.
  "$bin" "${args[@]}" & pid=$!
  sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.2f", 0.2 + (r % 130) / 100 }')"
  if kill -0 "$pid" 2>/dev/null; then
    kill -9 "$pid"; wait "$pid" 2>/dev/null || true
    done_kills=$((done_kills + 1))
  else
    wait "$pid" || true
    break
  fi
done
for _ in 1 2 3; do
  [ -f "$work/out/file.bin" ] && break
  "$bin" "${args[@]}" || true
done
got=$(md5sum "$work/out/file.bin" 2>/dev/null | cut -d' ' -f1 || true)
sent=$(awk '{ s += $4 } END { print s + 0 }' "$work/logs/access.log")
asked=$(awk -F'"' '{ split($2, r, "[=-]"); if (r[3] != "") s += r[3] - r[2] + 1 } END { print s + 0 }' "$work/logs/access.log")
allowed=$((size + done_kills * 3 * 1310720))
echo "kills: $done_kills, file: $size bytes, asked for: $asked bytes (allowed $allowed), pushed by the server: $sent bytes"
awk -v a="$asked" -v s="$size" -v k="$done_kills" \
  'BEGIN { if (k > 0) printf "asked again per kill: %.2f blocks of 1,310,720 bytes\n", (a - s) / k / 1310720 }'
[ "$got" = "$md5" ] && echo "digest: ok" || { echo "digest: BAD"; exit 1; }
[ "$asked" -le "$allowed" ] && echo "refetch: within bound" || { echo "refetch: above bound"; exit 1; }
leftover=$(ls "$work/out" | grep -v '^file.bin$' || true)
[ -z "$leftover" ] || { echo "left behind: $leftover"; exit 1; }
