#!/usr/bin/env bash
# tarvik-cli convert on a stream beside PROJ's cs2cs on the same points, in
# the same run: N pairs (default 1000000) of latitude/longitude in zone CM 87,
# each tool timed R times (default 3); prints lines per second, min and max,
# and the ratio of the medians.
#
#   bench/convert_stream.sh [N] [R]      (after scripts/build)
set -euo pipefail
cd "$(dirname "$0")/.."
n=${1:-1000000}
runs=${2:-3}
cli=build/src/cli/tarvik-cli
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
awk -v n="$n" 'BEGIN { srand(1); for (i = 0; i < n; i++) printf "%.9f %.9f\n", 18 + 36 * rand(), 85.5 + 3 * rand() }' >"$work/latlon"
awk '{ print $2, $1 }' "$work/latlon" >"$work/lonlat"

seconds() {  # command... ; prints the wall time in seconds
  local start end
  start=$(date +%s.%N)
  "$@" >/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }' 
}

ours=() theirs=()
for ((i = 0; i < runs; i++)); do
  ours+=("$(seconds sh -c "$cli convert --to-xy - <'$work/latlon'")")
  theirs+=("$(seconds sh -c "cs2cs -f %.4f +proj=longlat +ellps=IAU76 +to +proj=tmerc +lon_0=87 +x_0=500000 +ellps=IAU76 <'$work/lonlat'")")
done
report() {  # name times...
  local name=$1
  shift
  printf '%s\n' "$@" | sort -n | awk -v n="$n" -v name="$name" '
    { t[NR] = $1 } END { printf "%-24s %8.0f .. %8.0f lines/s (median %.3f s)\n", name, n / t[NR], n / t[1], t[int((NR + 1) / 2)] }'
}
report "tarvik-cli convert" "${ours[@]}"
report "cs2cs" "${theirs[@]}"
mo=$(printf '%s\n' "${ours[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
mt=$(printf '%s\n' "${theirs[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
awk -v a="$mt" -v b="$mo" 'BEGIN { printf "speed ratio (median): %.2fx cs2cs\n", a / b }' 
