# zlib, libjpeg(-turbo) and Zstandard as imported targets Tarvel::zlib, Tarvel::jpeg and
# Tarvel::zstd, for both builds.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/DelayImports.cmake)
  # What the update check, the save dialog, UI Automation and the selection overlay (a
  # monitor's scale) need is loaded when they first run, not at every start.
  foreach(library winhttp crypt32 comdlg32 ole32 oleaut32 shcore)
    tarvel_delay_import(${library})
  endforeach()

  find_library(TARVEL_ZLIB_LIB NAMES libz.a z REQUIRED)
  find_path(TARVEL_ZLIB_INCLUDE zlib.h REQUIRED)
  add_library(Tarvel::zlib STATIC IMPORTED)
  set_target_properties(Tarvel::zlib PROPERTIES
    IMPORTED_LOCATION ${TARVEL_ZLIB_LIB}
    INTERFACE_INCLUDE_DIRECTORIES ${TARVEL_ZLIB_INCLUDE})

  # libjpeg-turbo is cross-built once per machine by cmake/build-libjpeg-turbo.sh.
  set(TARVEL_JPEG_ROOT "" CACHE PATH "Install prefix of the libjpeg-turbo build for this architecture")
  if(NOT EXISTS "${TARVEL_JPEG_ROOT}/lib/libjpeg.a")
    message(FATAL_ERROR "libjpeg-turbo for ${CMAKE_SYSTEM_PROCESSOR} not found under '${TARVEL_JPEG_ROOT}'. "
                        "Run scripts/setup, which cross-builds it.")
  endif()
  add_library(Tarvel::jpeg STATIC IMPORTED)
  set_target_properties(Tarvel::jpeg PROPERTIES
    IMPORTED_LOCATION ${TARVEL_JPEG_ROOT}/lib/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES ${TARVEL_JPEG_ROOT}/include)

  # So is Zstandard, by cmake/build-zstd.sh.
  set(TARVEL_ZSTD_ROOT "" CACHE PATH "Install prefix of the zstd build for this architecture")
  if(NOT EXISTS "${TARVEL_ZSTD_ROOT}/lib/libzstd.a")
    message(FATAL_ERROR "zstd for ${CMAKE_SYSTEM_PROCESSOR} not found under '${TARVEL_ZSTD_ROOT}'. "
                        "Run scripts/setup, which cross-builds it.")
  endif()
  add_library(Tarvel::zstd STATIC IMPORTED)
  set_target_properties(Tarvel::zstd PROPERTIES
    IMPORTED_LOCATION ${TARVEL_ZSTD_ROOT}/lib/libzstd.a
    INTERFACE_INCLUDE_DIRECTORIES ${TARVEL_ZSTD_ROOT}/include)
else()
  find_package(ZLIB REQUIRED)
  find_package(JPEG REQUIRED)
  add_library(Tarvel::zlib ALIAS ZLIB::ZLIB)
  add_library(Tarvel::jpeg ALIAS JPEG::JPEG)
  find_library(TARVEL_ZSTD_LIB zstd REQUIRED)
  find_path(TARVEL_ZSTD_INCLUDE zstd.h REQUIRED)
  add_library(Tarvel::zstd UNKNOWN IMPORTED)
  set_target_properties(Tarvel::zstd PROPERTIES
    IMPORTED_LOCATION ${TARVEL_ZSTD_LIB}
    INTERFACE_INCLUDE_DIRECTORIES ${TARVEL_ZSTD_INCLUDE})
  find_package(GTest REQUIRED)
  find_package(benchmark REQUIRED)
endif()
