# Cross-builds the Linux version for 64-bit ARM (a Raspberry Pi with a 64-bit system) on Debian
# with its multiarch packages: the cross compiler of crossbuild-essential-arm64 and the :arm64
# development packages, which install beside the amd64 ones under the aarch64-linux-gnu folders.
# Built programs run under qemu-user, found here as the emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(TAVR_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${TAVR_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TAVR_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${TAVR_CROSS_TRIPLET})

# Multiarch keeps the arm64 libraries in the host's own tree, so the root is "/": programs (moc,
# rcc, pkg-config) come from the host, libraries and packages' CMake files only from the arm64
# folders.
set(CMAKE_FIND_ROOT_PATH /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The host's pkg-config, told to read only the arm64 libraries' descriptions and the
# architecture-free ones.
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${TAVR_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig)

# The arm64 dynamic loader and libraries are in the host's tree, where qemu finds them under "/".
find_program(TAVR_QEMU_AARCH64 qemu-aarch64)
if(TAVR_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TAVR_QEMU_AARCH64} -L /)
endif()

# -O2 rather than -O3: at -O3 this GCC 12 reports a false -Wrestrict inside libstdc++'s string
# code, which -Werror turns into a failed build.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the Release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of the Release build")

# Debian's name of the architecture, for the package (dpkg would name the build machine's).
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
