# Cross build for 32-bit Raspberry Pi OS (armhf) with Debian's
# g++-arm-linux-gnueabihf. The test programs run under qemu-user.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(KORDAVIN_TRIPLE arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/cross-debian.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L /usr/${KORDAVIN_TRIPLE})
# g++ notes on every std::vector iterator that its argument passing changed in
# GCC 7.1; all of the door is built by one compiler, so nothing mixes the two.
set(CMAKE_CXX_FLAGS_INIT -Wno-psabi)
