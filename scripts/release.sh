#!/usr/bin/env bash
# Builds the release archives: for each machine, the door directory that
# `cmake --install` lays out (both programs, kordavin.dat, title1.ans, the
# README and docs/), as kordavin-<version>/ in
# dist/kordavin-<version>-linux-<machine>.tar.gz, with SHA256SUMS beside them.
# The version is the one line of the VERSION file.
#
#   scripts/release.sh [x86_64] [aarch64] [armhf]     (all three by default)
#
# The ARM programs are built with Debian's cross compilers. Every program is
# checked to run on Debian 12 / Raspberry Pi OS bookworm and later with
# nothing installed: no shared library but the C library's, no C library
# symbol newer than bookworm's; libsodium, which signs the league's packets,
# is linked in. Installs what it needs with apt-get.
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(tr -d '[:space:]' <VERSION)
[[ $version =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "VERSION: not a version: $version" >&2; exit 1; }
machines=("$@")
[ ${#machines[@]} -gt 0 ] || machines=(x86_64 aarch64 armhf)

# The oldest C library the programs must run with: Debian 12's.
oldest_glibc=2.36
allowed_libraries=" libc.so.6 libm.so.6 "

toolchain_of() {  # machine -> toolchain file, package, readelf's name for it, Debian's
  case $1 in
    x86_64) echo "- g++ X86-64 amd64" ;;
    aarch64) echo "cmake/aarch64-linux-gnu.cmake g++-aarch64-linux-gnu AArch64 arm64" ;;
    armhf) echo "cmake/arm-linux-gnueabihf.cmake g++-arm-linux-gnueabihf ARM armhf" ;;
    *) echo "unknown machine: $1 (x86_64, aarch64 or armhf)" >&2; return 1 ;;
  esac
}

# The league's signatures need libsodium for each machine: the ARM builds
# link Debian's arm64 and armhf packages, installed beside the build
# machine's own (multiarch).
install_missing() {
  local missing=() machine toolchain package arch debian_arch foreign=()
  command -v cmake >/dev/null || missing+=(cmake)
  command -v readelf >/dev/null || missing+=(binutils)
  for machine in "${machines[@]}"; do
    read -r toolchain package arch debian_arch <<<"$(toolchain_of "$machine")"
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
    # Named with its machine: once a foreign one is installed, the bare name
    # is ambiguous and dpkg reports it missing.
    if ! dpkg -s "libsodium-dev:$debian_arch" >/dev/null 2>&1; then
      missing+=("libsodium-dev:$debian_arch")
      [ "$debian_arch" = "$(dpkg --print-architecture)" ] ||
        dpkg --print-foreign-architectures | grep -qx "$debian_arch" || foreign+=("$debian_arch")
    fi
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  for arch in "${foreign[@]}"; do $sudo dpkg --add-architecture "$arch"; done
  # A mirror in mid-sync fails one index of a newly added machine now and
  # then; the install below still fails if what it needs is really missing.
  $sudo apt-get update -qq || echo "apt-get update failed in part; installing anyway" >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" </dev/null
}

# Fails unless the program is for the machine, needs no shared library beyond
# the C library's (the static unwinder asks the dynamic loader itself) and no
# C library symbol version newer than the oldest.
check_portable() {  # program, readelf machine name
  local program=$1 arch=$2 library newest
  readelf -h "$program" | grep -q "Machine:.*$arch" ||
    { echo "$program: not built for $arch" >&2; return 1; }
  for library in $(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
    [[ $allowed_libraries == *" $library "* || $library == ld-linux* ]] ||
      { echo "$program: needs $library" >&2; return 1; }
  done
  newest=$( (readelf -V -W "$program" | grep -o 'GLIBC_[0-9.]*' | sed 's/GLIBC_//'; echo 0) |
           sort -V | tail -1)
  [ "$(printf '%s\n%s\n' "$newest" "$oldest_glibc" | sort -V | tail -1)" = "$oldest_glibc" ] ||
    { echo "$program: needs glibc $newest, newer than $oldest_glibc" >&2; return 1; }
}

build_archive() {  # machine
  local machine=$1 toolchain package arch debian_arch
  read -r toolchain package arch debian_arch <<<"$(toolchain_of "$machine")"
  # -O2: -O3 makes the door no faster for a caller, and g++ 12 then warns
  # falsely about overlapping copies inside std::string.
  local dir=build-release/$machine
  local options=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" -DKORDAVIN_TESTS=OFF
                 -DKORDAVIN_STATIC_SODIUM=ON "-DCMAKE_EXE_LINKER_FLAGS=")
  [ "$toolchain" = - ] || options+=(-DCMAKE_TOOLCHAIN_FILE="$PWD/$toolchain")
  command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  echo "=== release: $machine ==="
  cmake -S . -B "$dir" "${options[@]}" >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target kordavin kordavin-sysop
  local stage=$dir/stage top=kordavin-$version
  rm -rf "$stage"
  cmake --install "$dir" --prefix "$stage/$top" --strip >/dev/null
  check_portable "$stage/$top/kordavin" "$arch"
  check_portable "$stage/$top/kordavin-sysop" "$arch"
  # Same sources, same archive: fixed owner, order and times.
  tar --sort=name --owner=0 --group=0 --numeric-owner --mtime="@$source_time" \
      -C "$stage" -c "$top" | gzip -9n >"dist/$top-linux-$machine.tar.gz"
  echo "dist/$top-linux-$machine.tar.gz"
}

for machine in "${machines[@]}"; do toolchain_of "$machine" >/dev/null; done
install_missing
source_time=$(git log -1 --format=%ct 2>/dev/null || echo 0)
mkdir -p dist
for machine in "${machines[@]}"; do build_archive "$machine"; done
(cd dist && sha256sum kordavin-"$version"-linux-*.tar.gz >SHA256SUMS && cat SHA256SUMS)
