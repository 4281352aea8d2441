# MinGW-w64 for 64-bit Windows (x64).
set(TARVEL_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
