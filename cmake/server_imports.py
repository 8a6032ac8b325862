#!/usr/bin/env python3
"""The layer's calls that one of its server modules makes, as options for the linker.

A server module of the layer (the web browser object) is linked without the layer: when a
program loads it, its calls into the layer bind to the layer inside that program. So every
program keeps those calls, whether or not it makes them itself (--undefined), and offers them
to the modules it loads (--dynamic-list).

  server_imports.py NM OUT OBJECT... -- ARCHIVE...

Writes OUT, the options, for the linker to read through -Wl,@OUT, and OUT.dynlist.
"""
import subprocess
import sys


def symbols(nm, files, *flags):
    out = subprocess.run([nm, "-P", *flags, *files], check=True, capture_output=True, text=True).stdout
    found = set()
    for line in out.splitlines():
        parts = line.split()
        # "name type [value size]"; an archive member's heading ends with ':' and has no type.
        if len(parts) >= 2 and not parts[0].endswith(":") and len(parts[1]) == 1:
            found.add((parts[0], parts[1]))
    return found


def main():
    nm, out, rest = sys.argv[1], sys.argv[2], sys.argv[3:]
    cut = rest.index("--")
    objects, archives = rest[:cut], rest[cut + 1:]
    wanted = {name for name, _ in symbols(nm, objects, "--undefined-only")}
    # Global definitions only: code, data, read-only data, common and weak symbols.
    offered = {name for name, kind in symbols(nm, archives, "--defined-only") if kind in "TDRBCWVGSi"}
    imports = sorted(wanted & offered)
    with open(out + ".dynlist", "w") as f:
        f.write("{\n" + "".join("  %s;\n" % name for name in imports) + "};\n")
    with open(out, "w") as f:
        f.write("".join("--undefined=%s\n" % name for name in imports))
        f.write("--dynamic-list=%s.dynlist\n" % out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
