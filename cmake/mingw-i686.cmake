# MinGW-w64 for 32-bit Windows (x86).
set(TARVEL_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
