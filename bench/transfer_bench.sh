#!/bin/sh
# Extraction and adding of 20,000 files (about 1 GiB) by the transfer
# workers, each measured against tar on the same files in the same run:
#   extraction through the worker   >= 0.9 x the speed of tar -xf
#   adding a folder through the worker <= 1.2 x the time of tar -cf
# Then `vorn-cli --yes extract` of 20,000 small files (1 to 26,000 bytes,
# about 250 MiB, in 350 folders), the shape of the game's own archives:
#   at most 1.0 x the time of tar -xf of the same files
# The fixtures live in a temporary folder that is removed afterwards.
# TRANSFER_BENCH_SMALL_FILES=0 skips the small-files case.
set -eu

BUILD=${BUILD:-build}
DRIVER="$BUILD/bench/transfer_bench_driver"
FILES=${TRANSFER_BENCH_FILES:-20000}
BYTES=${TRANSFER_BENCH_BYTES:-1073741824}
RUNS=${TRANSFER_BENCH_RUNS:-3}
SMALL_FILES=${TRANSFER_BENCH_SMALL_FILES:-20000}
SMALL_FOLDERS=${TRANSFER_BENCH_SMALL_FOLDERS:-350}
SMALL_LARGEST=${TRANSFER_BENCH_SMALL_LARGEST:-26000}
CLI="$BUILD/cli/vorn-cli"

if [ ! -x "$DRIVER" ]; then
  echo "transfer_bench: $DRIVER is missing (build the transfer_bench_driver target)" >&2
  exit 1
fi
if [ "$SMALL_FILES" -gt 0 ] && [ ! -x "$CLI" ]; then
  echo "transfer_bench: $CLI is missing (build the vorn-cli target)" >&2
  exit 1
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vorn-transfer-bench-XXXXXX")
trap 'rm -rf "$WORK"' EXIT INT TERM

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", b - a }'; }
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (a < b ? a : b) }'; }

"$DRIVER" generate "$WORK/files" "$FILES" "$BYTES"
(cd "$WORK" && tar -cf fixture.tar files)
"$DRIVER" pack "$WORK/files" "$WORK/fixture.far"
sync

best_tar_x=999999; best_far_x=999999; best_tar_c=999999; best_far_a=999999
# Every extraction goes to a fresh folder and nothing is deleted until the
# end: creating files right after deleting many is slower on ext4, and that
# cost would land on whichever command ran next. The order alternates, and
# dirty pages are flushed before each timed command.
i=0
while [ "$i" -lt "$RUNS" ]; do
  i=$((i + 1))
  for tool in tar far; do
    if [ $((i % 2)) -eq 0 ]; then tool=$([ "$tool" = tar ] && echo far || echo tar); fi
    out="$WORK/out-$tool-$i"
    mkdir "$out"
    sync
    if [ "$tool" = tar ]; then
      t0=$(now); tar -xf "$WORK/fixture.tar" -C "$out"; t1=$(now)
      best_tar_x=$(min "$best_tar_x" "$(elapsed "$t0" "$t1")")
    else
      t0=$(now); "$DRIVER" extract "$WORK/fixture.far" "$out" > /dev/null; t1=$(now)
      best_far_x=$(min "$best_far_x" "$(elapsed "$t0" "$t1")")
    fi
  done

  sync
  t0=$(now); (cd "$WORK" && tar -cf "again-$i.tar" files); t1=$(now)
  best_tar_c=$(min "$best_tar_c" "$(elapsed "$t0" "$t1")")

  sync
  t0=$(now); "$DRIVER" add "$WORK/files" > /dev/null; t1=$(now)
  best_far_a=$(min "$best_far_a" "$(elapsed "$t0" "$t1")")
done

speed=$(awk -v a="$best_tar_x" -v b="$best_far_x" 'BEGIN { print a / b }')
time_ratio=$(awk -v a="$best_far_a" -v b="$best_tar_c" 'BEGIN { print a / b }')
printf 'transfer extract: %d files, worker %.3f s, tar -xf %.3f s, speed %.2fx tar (target >= 0.90x)\n' \
  "$FILES" "$best_far_x" "$best_tar_x" "$speed"
printf 'transfer add:     %d files, worker %.3f s, tar -cf %.3f s, time %.2fx tar (target <= 1.20x)\n' \
  "$FILES" "$best_far_a" "$best_tar_c" "$time_ratio"

[ "$SMALL_FILES" -gt 0 ] || exit 0

# Small files: the same fresh-folder, flushed, alternating procedure, through
# the command line tool as a user runs it. Every run is printed, since a
# shared machine spreads them widely.
"$DRIVER" generate-small "$WORK/small" "$SMALL_FILES" "$SMALL_FOLDERS" "$SMALL_LARGEST"
(cd "$WORK" && tar -cf small.tar small)
"$DRIVER" pack "$WORK/small" "$WORK/small.far"
sync

best_tar_s=999999; best_cli_s=999999; runs_tar=""; runs_cli=""
i=0
while [ "$i" -lt "$RUNS" ]; do
  i=$((i + 1))
  for tool in tar cli; do
    if [ $((i % 2)) -eq 0 ]; then tool=$([ "$tool" = tar ] && echo cli || echo tar); fi
    out="$WORK/small-$tool-$i"
    mkdir "$out"
    sync
    if [ "$tool" = tar ]; then
      t0=$(now); tar -xf "$WORK/small.tar" -C "$out"; t1=$(now)
      took=$(elapsed "$t0" "$t1"); runs_tar="$runs_tar $took"
      best_tar_s=$(min "$best_tar_s" "$took")
    else
      t0=$(now); "$CLI" --yes extract "$WORK/small.far" "$out" 2> /dev/null; t1=$(now)
      took=$(elapsed "$t0" "$t1"); runs_cli="$runs_cli $took"
      best_cli_s=$(min "$best_cli_s" "$took")
    fi
  done
done

small_ratio=$(awk -v a="$best_cli_s" -v b="$best_tar_s" 'BEGIN { print a / b }')
printf 'transfer extract small: %d files in %d folders, vorn-cli %.3f s, tar -xf %.3f s, time %.2fx tar (target <= 1.00x)\n' \
  "$SMALL_FILES" "$SMALL_FOLDERS" "$best_cli_s" "$best_tar_s" "$small_ratio"
printf '  runs: vorn-cli%s; tar -xf%s\n' "$runs_cli" "$runs_tar"
