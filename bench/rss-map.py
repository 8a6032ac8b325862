#!/usr/bin/env python3
"""Where a process's resident memory lies, by mapping.

  rss-map.py PID [--follow] [--top N]

Reads /proc/PID/smaps once, or with --follow every 50 ms until the process ends, keeping the
reading with the most resident memory; prints that reading's total and the mappings that hold
the most of it (file mappings by file, anonymous ones as [heap], [stack], [anon]), each with its
resident and private sizes in KiB, and how many files were mapped.
"""
import argparse
import collections
import os
import sys
import time


def read(pid):
    rss = collections.Counter()
    private = collections.Counter()
    name = None
    try:
        with open("/proc/%d/smaps" % pid) as f:
            for line in f:
                head = line.split(None, 1)[0]
                if not head.endswith(":"):
                    parts = line.split(None, 5)
                    name = parts[5].strip() if len(parts) > 5 else "[anon]"
                elif head == "Rss:":
                    rss[name] += int(line.split()[1])
                elif head in ("Private_Clean:", "Private_Dirty:"):
                    private[name] += int(line.split()[1])
    except (FileNotFoundError, ProcessLookupError, PermissionError):
        return None
    return rss, private


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("pid", type=int)
    parser.add_argument("--follow", action="store_true")
    parser.add_argument("--top", type=int, default=12)
    args = parser.parse_args()
    best = None
    while True:
        reading = read(args.pid)
        if reading and (best is None or sum(reading[0].values()) > sum(best[0].values())):
            best = reading
        if not args.follow or reading is None:
            break
        time.sleep(0.05)
    if best is None:
        print("rss by mapping: the process was gone")
        return 1
    rss, private = best
    files = [n for n in rss if n.startswith("/")]
    print("rss by mapping: %d KiB resident, %d KiB private, %d files mapped" %
          (sum(rss.values()), sum(private.values()), len(files)))
    for name, kib in rss.most_common(args.top):
        print("  %7d KiB  (private %6d)  %s" % (kib, private[name], os.path.basename(name) or name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
