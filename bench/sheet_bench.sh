#!/bin/sh
# vorn-cli iff sheet of a collection of object files against one
# `vorn-cli iff render` per view of the same objects (every object, every
# graphic, 4 directions x 3 zooms), in the same run:
#   iff sheet <= 0.10 x the time of the renders
# The collection is the folder SHEET_BENCH_OBJECTS (default
# ../shared/realdata/objects beside the repository) when it holds .iff files,
# else the objects of the sample archive. The sheet's time is the best of
# SHEET_BENCH_RUNS runs; the renders run once.
set -eu
. "$(dirname "$0")/lib/object_collection.sh"

BUILD=${BUILD:-build}
CLI="$BUILD/cli/vorn-cli"
OBJECTS=${SHEET_BENCH_OBJECTS:-../shared/realdata/objects}
RUNS=${SHEET_BENCH_RUNS:-3}
SAMPLE="$BUILD/sample/sample.far"

if [ ! -x "$CLI" ]; then
  echo "sheet_bench: $CLI is missing (build the vorn-cli target)" >&2
  exit 1
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vorn-sheet-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }

# The inputs, one a line: the collection's files, or the sample's IFF entries.
list_object_collection sheet_bench "$WORK/inputs"

# Every view the sheet draws, as `iff render` arguments: INPUT, object, graphic.
: > "$WORK/objects"
while IFS= read -r input; do
  "$CLI" iff objects "$input" 2>/dev/null | while IFS="$(printf '\t')" read -r id label graphics kind tiles; do
    printf '%s\t%s\t%s\n' "$input" "$id" "$graphics" >> "$WORK/objects"
  done
done < "$WORK/inputs"

renders=0
t0=$(now)
while IFS="$(printf '\t')" read -r input id graphics; do
  g=0
  [ "$graphics" -gt 0 ] || graphics=1
  while [ "$g" -lt "$graphics" ]; do
    for zoom in 1 2 3; do
      for direction in 0 2 4 6; do
        "$CLI" iff render "$input" "$WORK/view.png" --object "$id" --graphic "$g" --direction "$direction" \
          --zoom "$zoom" --yes > /dev/null 2>&1 || true
        renders=$((renders + 1))
      done
    done
    g=$((g + 1))
  done
done < "$WORK/objects"
t1=$(now)
render_time=$(elapsed "$t0" "$t1")

set --
while IFS= read -r input; do set -- "$@" "$input"; done < "$WORK/inputs"
best=999999
i=0
while [ "$i" -lt "$RUNS" ]; do
  i=$((i + 1))
  rm -f "$WORK/sheet.png"
  t0=$(now)
  # Status 1 only says some view was not drawn completely.
  "$CLI" iff sheet "$@" "$WORK/sheet.png" > "$WORK/summary" || true
  t1=$(now)
  best=$(min "$best" "$(elapsed "$t0" "$t1")")
done
[ -s "$WORK/sheet.png" ] || { echo "sheet_bench: iff sheet wrote no picture" >&2; exit 1; }

ratio=$(awk -v a="$best" -v b="$render_time" 'BEGIN { printf "%.4f", a / b }')
echo "iff sheet: $(cat "$WORK/summary")"
echo "iff sheet: ${best} s (best of $RUNS); $renders x iff render: ${render_time} s; ratio ${ratio} (held to <= 0.10)"
awk -v r="$ratio" 'BEGIN { exit !(r <= 0.10) }' || { echo "sheet_bench: iff sheet is not a small fraction of the renders" >&2; exit 1; }
