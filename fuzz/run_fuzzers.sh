#!/bin/sh
# Runs every fuzz target of a fuzz build for the same number of seconds,
# each from the seeds the fixture writers make plus what earlier runs found
# interesting, and prints per target the executions and the findings
# (crashes, leaks, sanitizer reports, time-outs, running out of memory).
# Exits non-zero when anything was found.
#
# Memory is bounded as on a small machine: 2 GiB resident in all, and no
# single allocation above 512 MB. No valid input of a few kilobytes needs
# that much (the largest is a sprite frame at the pixel limit, 64 MB), so
# an input that asks for more is a finding.
#
# Usage: run_fuzzers.sh FUZZ_BUILD_FOLDER SECONDS
set -u
if [ $# -ne 2 ]; then
  echo "usage: $0 FUZZ_BUILD_FOLDER SECONDS" >&2
  exit 2
fi
dir=$1/fuzz
seconds=$2
"$dir/make_fuzz_corpus" "$dir/seeds" >/dev/null || exit 1

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
summary=""
failed=0
for target in $(tr ';' ' ' < "$dir/fuzzers.txt"); do
  corpus=$dir/corpus/$target
  findings=$dir/findings/$target
  log=$dir/logs/$target.log
  mkdir -p "$corpus" "$findings" "$dir/logs"
  before=$(ls "$findings" | wc -l)
  echo "== $target: $seconds s"
  "$dir/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "$dir/seeds/$target" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  found=$(($(ls "$findings" | wc -l) - before))
  if [ "$status" -ne 0 ] && [ "$found" -eq 0 ]; then
    found=1 # it failed without leaving an input behind; the log says why
  fi
  if [ "$found" -ne 0 ]; then
    failed=1
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -n 5
    echo "   inputs in $findings, log in $log"
  fi
  summary="$summary$(printf '%-12s %8s %14s %10s %9s' "$target" "$seconds" "${runs:-?}" "${rate:-?}" "$found")
"
done
printf '%-12s %8s %14s %10s %9s\n' target seconds executions "exec/s" findings
printf '%s' "$summary"
exit $failed
