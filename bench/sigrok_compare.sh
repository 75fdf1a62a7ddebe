#!/bin/sh
# Compares opening a full "(Ver 5.0)" data file (262144 samples x 32 channels) with sigrok-cli
# reading the same samples from a one-column hexadecimal CSV file. Not part of the test suite.
#
#   bench/sigrok_compare.sh BUILD_DIR
#
# Needs sigrok-cli (Debian package sigrok-cli) and python3; prints both times and their ratio.
set -eu
build=${1:?usage: $0 BUILD_DIR}
command -v sigrok-cli >/dev/null || { echo "sigrok-cli is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The samples of bench_files' bit-plane page: channel c of word w is ((w + 1) * K) >> (c % 7).
python3 - "$work/samples.csv" <<'PY'
import sys
K = 0x9E3779B97F4A7C15
M = (1 << 64) - 1
with open(sys.argv[1], "w", newline="") as out:
    for w in range(262144 // 64):
        words = [(((w + 1) * K) & M) >> (c % 7) for c in range(32)]
        for b in range(64):
            v = 0
            for c in range(32):
                v |= ((words[c] >> b) & 1) << c
            out.write("%08X\r\n" % v)
PY

# CPU time (user + system) of sigrok-cli, best of five runs, in microseconds: the machine may be
# shared, so wall time would measure the neighbours.
sigrok_us=$(python3 - "$work/samples.csv" <<'PY'
import resource, subprocess, sys
best = None
for _ in range(5):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    subprocess.run(["sigrok-cli", "-i", sys.argv[1], "-I",
                    "csv:column_formats=x32:header=false:samplerate=100000000", "-O", "null"],
                   check=True, stdout=subprocess.DEVNULL)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    t = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    best = t if best is None else min(best, t)
print(int(best * 1e6))
PY
)
open_ns=$("$build/bin/bench_files" --benchmark_filter='^OpenVersion50$' --benchmark_format=csv 2>/dev/null \
    | awk -F, '/^"OpenVersion50"/ { print $4 * ($5 == "ms" ? 1000000 : 1) }')
python3 - "$sigrok_us" "$open_ns" <<'PY'
import sys
sigrok_ms = int(sys.argv[1]) / 1000.0
open_ms = float(sys.argv[2]) / 1e6
print("sigrok-cli csv, CPU time (best of 5): %.1f ms" % sigrok_ms)
print("OpenDataFile (Ver 5.0), CPU time:     %.1f ms" % open_ms)
print("ratio sigrok / open: %.1f" % (sigrok_ms / open_ms))
PY
