#!/usr/bin/env bash
# Builds the libFuzzer targets (clang++, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one from its seed corpus in
# fuzz/corpus/, for a bounded time or a number of executions, and prints the
# executions per target. Fails when any target finds a crash, a sanitizer
# report, a hang or a broken promise; the input that did it is kept under
# <build>/findings/ and its log is shown.
#
#   scripts/fuzz.sh              about a minute per target (the CI budget)
#   scripts/fuzz.sh 300          five minutes per target
#   FUZZ_RUNS=1000000 scripts/fuzz.sh    a million executions per target
#   FUZZ_TARGETS="keys records" scripts/fuzz.sh    only these targets
#   FUZZ_JOBS=1 scripts/fuzz.sh     one target at a time (default: one per core)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${FUZZ_SECONDS:-60}}
runs=${FUZZ_RUNS:-}
build=${FUZZ_BUILD_DIR:-build-fuzz}
targets=(${FUZZ_TARGETS:-dropfile datfile records keys telnet league_packet league_members})

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is not installed (apt-get install clang libclang-rt-dev)" >&2
  exit 1
fi

echo "=== fuzz: building ${targets[*]} ==="
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORDAVIN_SANITIZE=ON -DKORDAVIN_FUZZ=ON -DKORDAVIN_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/%/_fuzz}"

if [ -n "$runs" ]; then
  budget=(-runs="$runs")
  budget_text="$runs executions"
else
  budget=(-max_total_time="$seconds")
  budget_text="$seconds s"
fi

# A small quarantine keeps memory, and so page faults, down: the fuzzer runs
# twice as fast and a use after free is still caught within a few inputs.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:quarantine_size_mb=32}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/findings"

# Runs one target and leaves its line of the summary in <target>.result.
fuzz_one() {  # target
  local target=$1 work=$build/corpus/$1 log=$build/findings/$1.log start=$SECONDS result=ok executions
  # New inputs the fuzzer finds go to the build directory; the seed corpus in
  # the repository stays as it was committed.
  mkdir -p "$work"
  "$build/fuzz/${target}_fuzz" "${budget[@]}" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$target-" "$work" "fuzz/corpus/$target" >"$log" 2>&1 ||
    result=FAILED
  executions=$(grep -m1 -o 'number_of_executed_units: [0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  echo "$target: $executions executions in $((SECONDS - start)) s, $result" >"$build/findings/$target.result"
}

# Each fuzzer is one process on one core: as many run at once as there are
# cores, so the per-target budget costs the CI a fraction of the time.
parallel=${FUZZ_JOBS:-$(nproc)}
echo "=== fuzz: ${targets[*]}, $budget_text each, $parallel at a time ==="
rm -f "$build"/findings/*.result
running=0
for target in "${targets[@]}"; do
  if [ "$running" -ge "$parallel" ]; then
    wait -n
    running=$((running - 1))
  fi
  fuzz_one "$target" &
  running=$((running + 1))
done
wait

status=0
summary=()
for target in "${targets[@]}"; do
  result=$(cat "$build/findings/$target.result" 2>/dev/null || echo "$target: FAILED, no result")
  if [[ $result == *FAILED* ]]; then
    status=1
    echo "=== fuzz: $target failed ==="
    grep -E "ERROR|broken promise|runtime error|SUMMARY|Test unit written" "$build/findings/$target.log" ||
      tail -40 "$build/findings/$target.log"
  fi
  summary+=("$result")
done

echo "=== fuzz summary ==="
printf '%s\n' "${summary[@]}"
exit $status
