#!/usr/bin/env bash
# Shared-layout runs through the writing thread of a command line built with
# ThreadSanitizer: into a GeoPackage and a File Geodatabase, whole and
# stopped by SIGINT in the middle. TSan stops the program with exit code 66
# at its first report (halt_on_error), so any data race fails here.
#   tests/sanitize/shared_writer_tsan.sh PATH/TO/tarvik-cli
set -euo pipefail
cli=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "tsan check: $*" >&2; exit 1; }
run() {  # run EXPECTED_EXIT... -- ARGS
  local expected=() code=0
  while [[ $1 != -- ]]; do expected+=("$1"); shift; done; shift
  "$cli" "$@" >out.txt 2>err.txt || code=$?
  for e in "${expected[@]}"; do [[ $code == "$e" ]] && return 0; done
  cat err.txt >&2
  fail "tarvik-cli $* exited $code"
}

# 1:5000 sheets of a small box: a few hundred frames.
run 0 -- make-index --scale 5000 --bbox 116 39 116.3 39.2 -o sheets.shp
for out in frames.gpkg frames.gdb; do
  run 0 -- index sheets.shp -o "$out" --name-template "[TFH]" --layout shared
  grep -q "完成" out.txt err.txt || fail "no 完成 for $out"
done

# A run stopped in the middle: the writer thread is joined while frames are
# still queued; the exit code of a stop is not judged here, only races.
"$cli" index sheets.shp -o stopped.gpkg --name-template "[TFH]" --layout shared \
  >out.txt 2>err.txt &
pid=$!
sleep 2
kill -INT "$pid" 2>/dev/null || true
code=0
wait "$pid" || code=$?
if [[ $code == 66 ]] || grep -q "ThreadSanitizer" err.txt; then
  cat err.txt >&2
  fail "a data race in the stopped run"
fi
echo "tsan check: shared runs clean (stopped run exited $code)"
