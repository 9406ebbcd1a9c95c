#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for SECONDS each, JOBS at a time.
# Usage: fuzz/run-fuzzers.sh BUILD_DIR SECONDS JOBS
#
# Each target works on its own copy of its seed corpus under
# BUILD_DIR/fuzz-runs/<target>/corpus: the committed seeds are never
# touched, and inputs found by earlier runs are kept there and built on.
# An input that breaks a target is saved beside its log and fails the run.
set -u

build=$1
seconds=$2
jobs=$3
here=$(cd "$(dirname "$0")" && pwd)
runs="$build/fuzz-runs"

run_one() {
  local name=$1
  local dir="$runs/$name"
  mkdir -p "$dir/corpus"
  rm -f "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-*
  cp "$here/corpus/$name"/* "$dir/corpus/"
  if UBSAN_OPTIONS=print_stacktrace=1 "$build/fuzz/$name" -max_total_time="$seconds" \
      -timeout=10 \
      -artifact_prefix="$dir/" "$dir/corpus" >"$dir/log" 2>&1; then
    local runs_done coverage
    runs_done=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$dir/log")
    coverage=$(sed -n 's/.*DONE *cov: \([0-9]*\).*/\1/p' "$dir/log")
    echo "fuzz $name: ${runs_done:-?} inputs in ${seconds} s, ${coverage:-?} edges, no failure"
    return 0
  fi
  echo "fuzz $name: FAILED (log: $dir/log)"
  grep -E "invariant broken|ERROR|SUMMARY|^    #[0-9]+ .* in .*(lirosa|fuzz)" "$dir/log" | head -20
  for input in "$dir"/crash-* "$dir"/leak-* "$dir"/timeout-* "$dir"/oom-*; do
    [ -e "$input" ] && echo "  reproduce: $build/fuzz/$name $input"
  done
  return 1
}

status=0
pids=()
for source in "$here"/*Fuzz.cpp; do
  name=$(basename "$source" .cpp)
  run_one "$name" &
  pids+=($!)
  if [ "${#pids[@]}" -ge "$jobs" ]; then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do
  wait "$pid" || status=1
done
exit $status
