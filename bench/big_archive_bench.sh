#!/bin/sh
# vorn-cli on an archive of 200,000 entries of 16 bytes (100,000 in one
# directory, the rest in 1,000 directories), against tar -tf of a tar holding
# the same files, in the same run:
#   vorn-cli list   <= 0.25 x the time of tar -tf, peak memory <= 24 MB
#   vorn-cli tree   <= 0.50 x the time of tar -tf, peak memory <= 48 MB
#   400,000 entries <= 2.2 x the time of 200,000 (list and tree)
# Times are the best of several runs; peak memory is GNU time's maximum
# resident set size.
set -eu

BUILD=${BUILD:-build}
CLI="$BUILD/cli/vorn-cli"
FIXTURE="$BUILD/bench/big_archive_fixture"
ENTRIES=${BIG_ARCHIVE_ENTRIES:-200000}
RUNS=${BIG_ARCHIVE_RUNS:-5}
TIME=/usr/bin/time

for tool in "$CLI" "$FIXTURE" "$TIME"; do
  if [ ! -x "$tool" ]; then
    echo "big_archive_bench: $tool is missing" >&2
    exit 1
  fi
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vorn-big-archive-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

# best <command...>: the best wall time of RUNS runs, output discarded.
best() {
  b=999999
  j=0
  while [ "$j" -lt "$RUNS" ]; do
    j=$((j + 1))
    t0=$(now); "$@" > /dev/null; t1=$(now)
    b=$(min "$b" "$(elapsed "$t0" "$t1")")
  done
  echo "$b"
}

# peak <command...>: maximum resident set size in kB.
peak() {
  "$TIME" -f %M -o "$WORK/rss" "$@" > /dev/null
  cat "$WORK/rss"
}

big=$((ENTRIES * 2))
"$FIXTURE" "$WORK/small.far" "$WORK/small.tar" "$ENTRIES"
"$FIXTURE" "$WORK/large.far" "$WORK/large.tar" "$big"
# Warm the page cache so every tool reads from memory.
cat "$WORK"/* > /dev/null

# The new structures must not change the order: the fixture's first and last lines.
"$CLI" list "$WORK/small.far" > "$WORK/list.txt"
"$CLI" tree "$WORK/small.far" > "$WORK/tree.txt"
expect() {
  if [ "$2" != "$3" ]; then
    echo "big_archive_bench: $1 is \"$2\", expected \"$3\"" >&2
    exit 1
  fi
}
half=$((ENTRIES / 2))
directories=$((ENTRIES / 200))
expect "list's first line" "$(head -n 1 "$WORK/list.txt")" "$(printf '16\tBig\\File0000000.dat')"
expect "list's last line" "$(tail -n 1 "$WORK/list.txt")" \
  "$(printf '16\tSpread\\Dir%05d\\Item%07d.dat' $(((ENTRIES - 1 - half) % directories)) $((ENTRIES - 1)))"
expect "list's line count" "$(wc -l < "$WORK/list.txt" | tr -d ' ')" "$ENTRIES"
expect "tree's first line" "$(head -n 1 "$WORK/tree.txt")" "Big"
expect "tree's last line" "$(tail -n 1 "$WORK/tree.txt")" "$(printf '  Dir%05d' $((directories - 1)))"
rm -f "$WORK/list.txt" "$WORK/tree.txt"

tar_t=$(best tar -tf "$WORK/small.tar")
list_t=$(best "$CLI" list "$WORK/small.far")
tree_t=$(best "$CLI" tree "$WORK/small.far")
info_t=$(best "$CLI" info "$WORK/small.far")
list_big_t=$(best "$CLI" list "$WORK/large.far")
tree_big_t=$(best "$CLI" tree "$WORK/large.far")

tar_m=$(peak tar -tf "$WORK/small.tar")
list_m=$(peak "$CLI" list "$WORK/small.far")
tree_m=$(peak "$CLI" tree "$WORK/small.far")

list_r=$(ratio "$list_t" "$tar_t")
tree_r=$(ratio "$tree_t" "$tar_t")
list_lin=$(ratio "$list_big_t" "$list_t")
tree_lin=$(ratio "$tree_big_t" "$tree_t")
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

printf 'big archive: %d entries, tar -tf %.3f s, peak %s MB\n' "$ENTRIES" "$tar_t" "$(mb "$tar_m")"
printf 'big archive list: %.3f s, %.2fx tar (target <= 0.25x), peak %s MB (target <= 24 MB)\n' \
  "$list_t" "$list_r" "$(mb "$list_m")"
printf 'big archive tree: %.3f s, %.2fx tar (target <= 0.50x), peak %s MB (target <= 48 MB)\n' \
  "$tree_t" "$tree_r" "$(mb "$tree_m")"
printf 'big archive info: %.3f s, %.2fx tar\n' "$info_t" "$(ratio "$info_t" "$tar_t")"
printf 'big archive linearity: %d entries take %.2fx (list) and %.2fx (tree) the time of %d (target <= 2.2x)\n' \
  "$big" "$list_lin" "$tree_lin" "$ENTRIES"
