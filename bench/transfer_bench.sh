#!/bin/sh
# Extraction and adding of 20,000 files (about 1 GiB) by the transfer
# workers, each measured against tar on the same files in the same run:
#   extraction through the worker   >= 0.9 x the speed of tar -xf
#   adding a folder through the worker <= 1.2 x the time of tar -cf
# The fixture lives in a temporary folder that is removed afterwards.
set -eu

BUILD=${BUILD:-build}
DRIVER="$BUILD/bench/transfer_bench_driver"
FILES=${TRANSFER_BENCH_FILES:-20000}
BYTES=${TRANSFER_BENCH_BYTES:-1073741824}
RUNS=${TRANSFER_BENCH_RUNS:-3}

if [ ! -x "$DRIVER" ]; then
  echo "transfer_bench: $DRIVER is missing (build the transfer_bench_driver target)" >&2
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
