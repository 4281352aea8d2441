# MinGW-w64 cross toolchain for Windows with the posix thread model (std::thread works).
# The architecture comes from the file that includes this one: mingw-x86_64.cmake (64-bit
# Windows) or mingw-i686.cmake (32-bit Windows).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TARVEL_MINGW_ARCH})

set(TARVEL_MINGW_PREFIX ${TARVEL_MINGW_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
