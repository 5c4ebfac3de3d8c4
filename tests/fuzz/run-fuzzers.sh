#!/usr/bin/env bash
# Runs the fuzzers of a fuzz build, each for FUZZ_SECONDS (default 60), FUZZ_JOBS (default 1)
# of them at a time.
#   tests/fuzz/run-fuzzers.sh <fuzz build folder> [target...]
# Each fuzzer starts from its seed corpus and saved reproducers (read only) and keeps what it
# finds in <build>/fuzz-corpus/<target>; a crash, hang (10 s), leak or out-of-memory (2 GB)
# input goes to <build>/fuzz-artifacts/<target>/. The last line of each run (executions per
# second, coverage) is printed with the target's name; the exit status is 1 when any target
# found a fault. Undefined behaviour stops a run like a crash; with FUZZ_UB_GOES_ON=1 it is only
# reported (each place once, listed after the run), so a campaign can go on past a fault whose
# mend is still pending.
set -uo pipefail

build=${1:?usage: run-fuzzers.sh <fuzz build folder> [target...]}
shift
here=$(cd "$(dirname "$0")" && pwd)
seconds=${FUZZ_SECONDS:-60}
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in "$build"/tests/fuzz/fuzz_*; do
    [ -x "$program" ] && targets+=("$(basename "$program" | sed 's/^fuzz_//')")
  done
fi

# The readers' files live in memory when it can be had: the INI writes flush every file to disk.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
jobs=${FUZZ_JOBS:-1}
if [ "$jobs" -gt 1 ]; then
  printf '%s\n' "${targets[@]}" | FUZZ_JOBS=1 xargs -P "$jobs" -I{} "$0" "$build" {}
  exit $?
fi

export QT_QPA_PLATFORM=offscreen
# One allocation beyond 2 GB fails, as it does on a machine without the memory, instead of being
# granted and counted as an out-of-memory: a reader must answer that failure.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:max_allocation_size_mb=2048
export LSAN_OPTIONS=suppressions=$here/../lsan.supp
if [ "${FUZZ_UB_GOES_ON:-0}" = 1 ]; then
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=0
else
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

status=0
for target in "${targets[@]}"; do
  program=$build/tests/fuzz/fuzz_$target
  corpus=$build/fuzz-corpus/$target
  artifacts=$build/fuzz-artifacts/$target
  log=$build/fuzz-logs/$target.log
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$artifacts/")
  [ -f "$here/dict/$target.dict" ] && options+=(-dict="$here/dict/$target.dict")
  seeds=()
  for folder in "$here/corpus/$target" "$here/crashes/$target"; do
    [ -d "$folder" ] && seeds+=("$folder")
  done
  "$program" "${options[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1
  result=$?
  line=$(grep -E '^#[0-9]+' "$log" | tail -1)
  execs=$(grep -E '^stat::average_exec_per_sec' "$log" | awk '{print $2}')
  if [ $result -ne 0 ]; then
    status=1
    echo "$target: FAULT (see $log, input in $artifacts)"
  fi
  echo "$target: ${seconds}s, ${execs:-?} exec/s, $line"
  if grep -q 'runtime error:' "$log"; then
    status=1
    grep -E 'runtime error:' "$log" | sort -u | sed "s/^/$target: undefined behaviour: /"
  fi
done
exit $status
