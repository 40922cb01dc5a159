#!/usr/bin/env bash
# Builds the door and every test program twice - with g++, and with clang++
# under AddressSanitizer and UndefinedBehaviorSanitizer - and runs all tests;
# then runs the fuzz targets, builds the release archives and tests the ARM
# builds under qemu-user. Prints each stage's time at the end. Installs what
# it needs on a fresh Debian machine.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v clang++ >/dev/null || missing+=(clang)
compgen -G '/usr/lib/*/libclang_rt.asan*' >/dev/null ||
  compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.asan*' >/dev/null ||
  missing+=(libclang-rt-dev)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
ls /usr/lib/*/faketime/libfaketime.so.1 >/dev/null 2>&1 || missing+=(faketime)
command -v chromium >/dev/null || missing+=(chromium)
[ -x /usr/bin/telnet ] || missing+=(telnet)
command -v aarch64-linux-gnu-g++ >/dev/null || missing+=(g++-aarch64-linux-gnu)
command -v arm-linux-gnueabihf-g++ >/dev/null || missing+=(g++-arm-linux-gnueabihf)
command -v qemu-arm >/dev/null || missing+=(qemu-user)
[ -f /usr/include/sodium.h ] || missing+=(libsodium-dev)
command -v python3 >/dev/null || missing+=(python3)
[ -x /usr/sbin/binkd ] || command -v binkd >/dev/null || missing+=(binkd)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  # A mirror in mid-sync fails one index now and then; the install below
  # still fails if what it needs is really missing.
  $sudo apt-get update -qq || echo "apt-get update failed in part; installing anyway" >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" </dev/null
fi

# A circle between source files is caught here, before anything is built.
python3 scripts/include-cycles.py

source scripts/stage_times.sh
jobs=$(nproc)
summary=()

run_suite() {  # name, build dir, cmake options...
  local name=$1 dir=$2
  shift 2
  echo "=== $name ==="
  cmake -S . -B "$dir" "$@" >/dev/null
  timed "$name: build" cmake --build "$dir" -j"$jobs" || { summary+=("$name: build FAILED"); return 1; }
  local log="$dir/ctest.log"
  timed "$name: tests" run_tests "$dir" || true
  summary+=("$name: $(grep -E 'tests passed|tests failed' "$log" | tail -1)")
  grep -q '100% tests passed' "$log"
}

# Most tests wait on a door in a pty far more than they compute: two per
# core keep the machine busy and halve the stage's time.
run_tests() {  # build dir
  (cd "$1" && ctest --output-on-failure -j"$((jobs * 2))" 2>&1 | tee ctest.log)
}

status=0
# The g++ build is the x86-64 release build with its tests: built with the
# options of scripts/release.sh, in its directory, so that the archive later
# packs the programs these tests ran instead of compiling them again.
run_suite "g++" build-release/x86_64 -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Release \
  "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DKORDAVIN_STATIC_SODIUM=ON || status=1
# Calls close circles the includes cannot show (a function declared in one
# file's header and defined in another file): the objects say who calls whom.
if python3 scripts/include-cycles.py --objects build-release/x86_64; then
  summary+=("circles through includes and calls: none")
else
  summary+=("circles through includes and calls: FOUND"); status=1
fi
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite "clang++ ASan+UBSan" build-sanitize -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DKORDAVIN_SANITIZE=ON || status=1
timed "fuzz targets" scripts/fuzz.sh 30 || status=1
if timed "release archives, ARM tests" scripts/release-test.sh; then
  summary+=("release archives, ARM tests: passed")
else
  summary+=("release archives, ARM tests: FAILED"); status=1
fi

echo "=== Stage times (clock, and CPU of all that ran) ==="
print_stage_times
echo "=== Summary ==="
printf '%s\n' "${summary[@]}"
exit $status
