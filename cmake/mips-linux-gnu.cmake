# Big-endian 32-bit MIPS, the CPU of many CAN-capable OpenWrt routers, with Debian's
# cross compiler (g++-mips-linux-gnu). Programs built with it run here under
# qemu-user, which is also how CTest and GoogleTest's discovery start them.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR mips)

set(CMAKE_C_COMPILER mips-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER mips-linux-gnu-g++)

set(TIDEWIRE_MIPS_SYSROOT /usr/mips-linux-gnu)
set(CMAKE_FIND_ROOT_PATH ${TIDEWIRE_MIPS_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# binfmt_misc may not know MIPS on this machine, so the emulator is named outright.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-mips-static -L ${TIDEWIRE_MIPS_SYSROOT})
