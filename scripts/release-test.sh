#!/usr/bin/env bash
# The release's part of the tests: builds the three archives, runs the tests
# that depend on the machine (portability_tests: the records' and packets'
# byte layout, the locks, the system calls) as built for 32-bit ARM under
# qemu-user, and tries each archive's door as a sysop would, from a
# fresh unpacking: the usage screen, then a caller through a pipe who turns
# down ANSI, joins and quits. The other tests run on the build machine only:
# the same sources built for ARM by the same compiler add little beyond
# these, for many minutes of emulation.
#
# The ARM programs run under qemu-user with the cross toolchain's libraries;
# no binfmt registration is needed. The archive checks below run both ARM
# programs of each archive.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(tr -d '[:space:]' <VERSION)
arm_machines=(aarch64 armhf)
failures=0
source scripts/stage_times.sh

emulator_of() {
  case $1 in
    aarch64) echo "qemu-aarch64 -L /usr/aarch64-linux-gnu" ;;
    armhf) echo "qemu-arm -L /usr/arm-linux-gnueabihf" ;;
  esac
}

fail() {
  echo "FAILED: $*" >&2
  failures=$((failures + 1))
}

run_arm_tests() {  # machine
  local machine=$1 dir=build-release/$1 emulator
  read -ra emulator <<<"$(emulator_of "$machine")"
  echo "=== $machine tests under ${emulator[0]} ==="
  # Linked statically: Debian 12's qemu-user, on some newer host kernels,
  # never returns from the first thread a dynamically linked ARM program
  # starts (a plain std::thread hangs under qemu-aarch64 and crashes under
  # qemu-arm), while the same code linked statically runs. The archives'
  # own programs stay dynamic and are run below.
  cmake -S . -B "$dir" -DKORDAVIN_TESTS=ON -DCMAKE_EXE_LINKER_FLAGS=-static >/dev/null &&
    cmake --build "$dir" -j"$(nproc)" --target portability_tests ||
    { fail "$machine portability_tests: the build"; return; }
  # A test run that hangs must fail, not hold CI until its own limit.
  timeout 900 "${emulator[@]}" "$dir/portability_tests" --gtest_brief=1 ||
    fail "$machine portability_tests"
}

# Runs the programs from the unpacked directory, as a BBS would: the door
# finds its files beside itself and makes its data files there.
smoke_test_archive() {  # machine
  local machine=$1 emulator work door output
  read -ra emulator <<<"$(emulator_of "$machine")"
  work=$(mktemp -d)
  tar -xzf "dist/kordavin-$version-linux-$machine.tar.gz" -C "$work"
  door=$work/kordavin-$version
  for file in kordavin kordavin-sysop kordavin.dat title1.ans README.md docs; do
    [ -e "$door/$file" ] || fail "$machine archive: no $file"
  done

  output=$(timeout 60 "${emulator[@]}" "$door/kordavin" </dev/null) || fail "$machine usage screen: exit code $?"
  [[ $output == *"KORDAVIN ERROR : No command line switches defined."*"kordavin /bbs/door32.sys 1"* ]] ||
    fail "$machine usage screen: $output"

  printf '0\r\n-1\r\n38400\r\nLocal\r\n1\r\nSys Op\r\nSys Op\r\n100\r\n60\r\n1\r\n1\r\n' >"$work/DOOR32.SYS"
  output=$(printf 'nyDoc\r\rqy\r' | timeout 120 "${emulator[@]}" "$door/kordavin" "$work/DOOR32.SYS" 1) ||
    fail "$machine caller: exit code $?"
  local step
  for step in "Do you want ANSI graphics? [Y/N] N" "Kordavin is now ready to be played!" \
              "Enter your Pimp Name : Doc" "Are you sure you want to quit? [Y/N] Y"; do
    [[ $output == *"$step"* ]] || fail "$machine caller: never saw \"$step\""
  done
  [ ! -e "$door/kordavin.1" ] || fail "$machine caller: the presence file is left behind"

  output=$(timeout 60 "${emulator[@]}" "$door/kordavin-sysop" list) || fail "$machine sysop list: exit code $?"
  [[ $output == *$'\tDoc\tSys Op\t1000\t'* ]] || fail "$machine sysop list: $output"
  rm -rf "$work"
}

timed "release archives" scripts/release.sh
# The machine-dependent tests run as built for armhf: the 32-bit build, with
# ARM's alignment, unsigned char and 32-bit time_t and off_t, finds everything
# the 64-bit ARM build could, and building them twice cost CI most of a
# minute. The aarch64 archive's own programs still run below.
timed "armhf tests under qemu" run_arm_tests armhf
for machine in x86_64 "${arm_machines[@]}"; do
  echo "=== $machine archive ==="
  timed "$machine archive check" smoke_test_archive "$machine"
done
echo "=== release: stage times ==="
print_stage_times
echo "release: $failures failed"
[ "$failures" = 0 ]
