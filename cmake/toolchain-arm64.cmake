# Cross build for 64-bit ARM Linux on an x86-64 Debian machine, with Debian's multiarch
# libraries (the :arm64 development packages) and cross compiler; scripts/build-arm64 sets
# it up. Guest programs are still compiled by the build machine's own gcc -m32: they are the
# same files on every host.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# The arm64 libraries live beside the build machine's, in their multiarch folders, which
# CMAKE_LIBRARY_ARCHITECTURE and the cross pkg-config look in.
set(PKG_CONFIG_EXECUTABLE aarch64-linux-gnu-pkg-config CACHE FILEPATH "pkg-config for arm64")

# Tools the build runs (elf2image makes the guest programs' images) and the tests run under
# user-mode qemu where it is installed.
find_program(KORVA_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(KORVA_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVA_QEMU_AARCH64})
  # Guest code under the emulated CPU under qemu: translation-heavy cases take many minutes.
  set(KORVA_TEST_TIMEOUT 1800 CACHE STRING "Seconds before ctest gives up on a test case")
endif()
