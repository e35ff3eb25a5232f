#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a bounded time, from the seed inputs in fuzz/corpus
# plus what earlier runs of this build found. Fails on the first target that crashes, leaks,
# hangs or exhausts memory; the input that did it is kept in <build>/crashes.
# usage: run-fuzzers.sh BUILD_DIR SECONDS_PER_TARGET
set -euo pipefail
build=$1
seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
# Leaks in system libraries that hold state for the process's life are listed, with why.
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
mkdir -p "$build/crashes"

for fuzzer in "$build"/bin/fuzz_*; do
  name=$(basename "$fuzzer")
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$build/crashes/$name-")
  # Drawing and compressing the QR image dominates; longer inputs only repeat it.
  [ "$name" = fuzz_pairing ] && options+=(-max_len=1024)
  mkdir -p "$build/corpus/$name"
  log="$build/$name.log"
  if ! "$fuzzer" "${options[@]}" "$build/corpus/$name" "$root/fuzz/corpus/$name" >"$log" 2>&1; then
    echo "== $name FAILED; its log, $log, ends:"
    tail -n 40 "$log"
    exit 1
  fi
  echo "== $name: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') inputs in" \
       "${seconds} s, $(grep -E '^stat::average_exec_per_sec' "$log" | awk '{print $2}') per second," \
       "corpus $(ls "$build/corpus/$name" | wc -l) files"
done
