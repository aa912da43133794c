# 32-bit x86 Linux with the host's multilib g++ (Debian: g++-multilib). The
# host kernel may refuse to run i386 executables, so everything built here
# runs under qemu-i386 (Debian: qemu-user): kestrav-gen at build time, the
# test executables under CTest, and the programs the tests start.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
set(CMAKE_CXX_FLAGS_INIT "-m32")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-m32")

# The kernel's headers for both x86 widths live in /usr/include/x86_64-linux-gnu;
# g++-multilib only adds the link /usr/include/asm to them, and Debian will not
# install it beside a cross compiler (g++-aarch64-linux-gnu). Without the link
# (g++-12-multilib alone), the directory is searched last.
if(NOT EXISTS /usr/include/asm AND EXISTS /usr/include/x86_64-linux-gnu/asm)
  string(APPEND CMAKE_C_FLAGS_INIT " -idirafter /usr/include/x86_64-linux-gnu")
  string(APPEND CMAKE_CXX_FLAGS_INIT " -idirafter /usr/include/x86_64-linux-gnu")
endif()

find_program(KESTRAV_QEMU_I386 qemu-i386)
if(NOT KESTRAV_QEMU_I386)
  message(FATAL_ERROR "qemu-i386 not found: the i686 build runs its executables under it (Debian: qemu-user)")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTRAV_QEMU_I386})
