# Delay-loaded system libraries. A program that ends at once (a second start gives way to the
# first) should not pay for loading DLLs that only later work needs: under Wine WinHTTP alone
# costs about as much as starting a program that does nothing. Each library named here
# becomes the imported target Tarvel::delay::<name>, a delay-import library that dlltool
# makes from the MinGW import library's own symbols; the DLL is loaded at the first call
# into it (mingw-w64's __delayLoadHelper2). Only for DLLs that every supported Windows has.
function(tarvel_delay_import AName)
  set(target Tarvel::delay::${AName})
  if(TARGET ${target})
    return()
  endif()
  find_library(TARVEL_IMPORT_LIB_${AName} NAMES lib${AName}.a REQUIRED)
  set(import ${TARVEL_IMPORT_LIB_${AName}})
  set(dir ${CMAKE_BINARY_DIR}/delay-imports)
  set(def ${dir}/${AName}.def)
  set(lib ${dir}/lib${AName}_delay.a)
  file(MAKE_DIRECTORY ${dir})
  execute_process(COMMAND ${CMAKE_NM} ${import} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${CMAKE_NM} cannot read ${import}")
  endif()
  # Functions have a thunk (T) beside their import pointer (I); data exports have only the
  # pointer and cannot be delay-loaded, so they are left out. On i686 the names carry the
  # leading underscore and the @-suffix of stdcall.
  string(REGEX MATCHALL "[^\n]* T [^\n]+" thunks "${symbols}")
  set(exports "")
  foreach(line IN LISTS thunks)
    string(REGEX REPLACE ".* T " "" name "${line}")
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
      string(REGEX REPLACE "^_" "" name "${name}")
    endif()
    if(name MATCHES "^[A-Za-z][A-Za-z0-9_@]*$" AND NOT name MATCHES "^_head|_iname$")
      list(APPEND exports "${name}")
    endif()
  endforeach()
  list(REMOVE_DUPLICATES exports)
  list(JOIN exports "\n  " lines)
  file(WRITE ${def} "LIBRARY ${AName}.dll\nEXPORTS\n  ${lines}\n")
  set(kill_at "")
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
    set(kill_at --kill-at)
  endif()
  execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${AName}.dll --output-delaylib ${lib} ${kill_at}
                  RESULT_VARIABLE failed ERROR_VARIABLE errors)
  if(failed)
    message(FATAL_ERROR "dlltool cannot make the delay-import library of ${AName}: ${errors}")
  endif()
  add_library(${target} STATIC IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES IMPORTED_LOCATION ${lib})
endfunction()
