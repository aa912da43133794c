# 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu).
# Everything built here runs under qemu-aarch64 (Debian: qemu-user), with the
# target's C and C++ libraries from /usr/aarch64-linux-gnu: kestrav-gen at
# build time, the test executables under CTest, and the programs the tests
# start.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries and headers of the target only; programs (the emulator) of the host.
set(KESTRAV_AARCH64_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH ${KESTRAV_AARCH64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(KESTRAV_QEMU_AARCH64 qemu-aarch64)
if(NOT KESTRAV_QEMU_AARCH64)
  message(FATAL_ERROR "qemu-aarch64 not found: the aarch64 build runs its executables under it (Debian: qemu-user)")
endif()
# A cache entry, so that scripts run on the build find the same command line.
set(CMAKE_CROSSCOMPILING_EMULATOR "${KESTRAV_QEMU_AARCH64};-L;${KESTRAV_AARCH64_SYSROOT}"
  CACHE STRING "The command line that runs the target's executables on this host")
