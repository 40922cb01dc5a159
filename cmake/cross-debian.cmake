# What both cross toolchain files share: Debian installs each cross compiler
# as <triple>-g++ and its target's libraries under /usr/<triple>, beside the
# build machine's own, which must never be picked up instead.
set(CMAKE_CXX_COMPILER ${KORDAVIN_TRIPLE}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${KORDAVIN_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
