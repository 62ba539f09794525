# Cross build for 32-bit ARM (hard-float EABI, the handheld's kind of CPU) with
# Debian's cross compiler and the armhf libraries from Debian multiarch:
#
#   scripts/deps --arm        (g++-arm-linux-gnueabihf, qemu-user, libsdl1.2-compat-dev:armhf, ...)
#   cmake -S . -B build/arm -G Ninja --toolchain cmake/arm-linux-gnueabihf.cmake -DZAP_BENCH=OFF
#
# `scripts/test --arm` does both and runs the test suite. There is no sysroot:
# multiarch puts the armhf headers and libraries beside the host's, under
# /usr/include/arm-linux-gnueabihf and /usr/lib/arm-linux-gnueabihf, which the
# cross compiler and CMake search by the library architecture.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(ZAP_ARM_TRIPLE arm-linux-gnueabihf)
set(CMAKE_C_COMPILER ${ZAP_ARM_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ZAP_ARM_TRIPLE}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${ZAP_ARM_TRIPLE})

# pkg-config must read the armhf .pc files only (sdl.pc names armhf paths).
set(ENV{PKG_CONFIG_LIBDIR} "/usr/lib/${ZAP_ARM_TRIPLE}/pkgconfig:/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Test programs, and the tools that the command-line tests run, go through
# qemu-arm. Everything they load at run time comes from multiarch: the armhf
# loader (/lib/ld-linux-armhf.so.3), libc, libm, libstdc++ (libstdc++6:armhf)
# and SDL with its dependencies, all from one glibc build. The cross
# toolchain's own copies under /usr/arm-linux-gnueabihf serve the link only:
# pointing qemu at them (-L) mixes that loader with the multiarch libc that SDL
# pulls in, and threads then crash.
find_program(ZAP_QEMU_ARM NAMES qemu-arm qemu-arm-static NO_CMAKE_FIND_ROOT_PATH)
if(NOT ZAP_QEMU_ARM)
  message(FATAL_ERROR "qemu-arm not found: install qemu-user (scripts/deps --arm)")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${ZAP_QEMU_ARM})
