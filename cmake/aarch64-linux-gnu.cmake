# Cross build for 64-bit Raspberry Pi OS (Pi 3, 4 and 5) and other arm64
# Debian machines, with Debian's g++-aarch64-linux-gnu. The test programs run
# under qemu-user, pointed at the cross toolchain's libraries, so no binfmt
# registration is needed.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(KORDAVIN_TRIPLE aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/cross-debian.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64 -L /usr/${KORDAVIN_TRIPLE})
