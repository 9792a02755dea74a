#!/bin/sh
# vorn-cli thumbnail as a file manager runs it, the whole command timed:
#   a typical object file (the median over the collection of each file's best
#   of THUMBNAIL_BENCH_RUNS runs) at 128 and at 256 pixels: < 100 ms each;
#   a 4,000 x 4,000 24-bit BMP at 256 pixels: peak memory no more than its
#   file's bytes and 16 MiB besides (the picture is never decoded whole).
# The collection is the folder THUMBNAIL_BENCH_OBJECTS (default
# ../shared/realdata/objects beside the repository) when it holds .iff files,
# else the objects of the sample archive. The worst file is printed too.
set -eu
. "$(dirname "$0")/lib/object_collection.sh"

BUILD=${BUILD:-build}
CLI="$BUILD/cli/vorn-cli"
OBJECTS=${THUMBNAIL_BENCH_OBJECTS:-../shared/realdata/objects}
RUNS=${THUMBNAIL_BENCH_RUNS:-5}
SAMPLE="$BUILD/sample/sample.far"

if [ ! -x "$CLI" ]; then
  echo "thumbnail_bench: $CLI is missing (build the vorn-cli target)" >&2
  exit 1
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vorn-thumbnail-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM

now() { date +%s%N; }

list_object_collection thumbnail_bench "$WORK/inputs"

failed=0
for size in 128 256; do
  : > "$WORK/times"
  while IFS= read -r input; do
    best=
    i=0
    while [ "$i" -lt "$RUNS" ]; do
      i=$((i + 1))
      t0=$(now)
      "$CLI" thumbnail "$input" "$WORK/thumb.png" "$size"
      t1=$(now)
      ms=$(( (t1 - t0) / 1000000 ))
      if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    done
    printf '%s\t%s\n' "$best" "$input" >> "$WORK/times"
  done < "$WORK/inputs"
  sort -n "$WORK/times" > "$WORK/sorted"
  count=$(wc -l < "$WORK/sorted")
  median=$(sed -n "$(( (count + 1) / 2 ))p" "$WORK/sorted" | cut -f1)
  worst=$(tail -n 1 "$WORK/sorted")
  echo "thumbnail $size px: median ${median} ms over $count files (best of $RUNS each; held to < 100 ms); slowest $(printf '%s' "$worst" | cut -f1) ms: $(printf '%s' "$worst" | cut -f2-)"
  [ "$median" -lt 100 ] || failed=1
done

# A 4,000 x 4,000 24-bit BMP, rows stored bottom first.
{ printf 'BM\066\154\334\002\0\0\0\0\066\0\0\0\050\0\0\0\240\017\0\0\240\017\0\0\001\0\030\0\0\0\0\0\0\154\334\002'
  head -c 16 /dev/zero; head -c 48000000 /dev/urandom; } > "$WORK/big.bmp"
bytes=$(wc -c < "$WORK/big.bmp")
/usr/bin/time -f '%M %e' -o "$WORK/usage" "$CLI" thumbnail "$WORK/big.bmp" "$WORK/big.png" 256
read -r kib seconds < "$WORK/usage"
limit=$(( bytes / 1024 + 16384 ))
echo "thumbnail of a 4,000 x 4,000 BMP ($((bytes / 1048576)) MiB) at 256 px: ${seconds} s, peak ${kib} KiB (held to <= ${limit} KiB: the file and 16 MiB)"
[ "$kib" -le "$limit" ] || failed=1
file -b "$WORK/big.png" | grep -q 'PNG image data, 256 x 256' || { echo "thumbnail_bench: the BMP's thumbnail is $(file -b "$WORK/big.png")" >&2; failed=1; }
exit $failed
