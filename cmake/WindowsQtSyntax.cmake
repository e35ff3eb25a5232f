# Compiles every Windows source that needs Qt for syntax with MinGW-w64 against this machine's
# Qt headers (no Windows Qt exists here to link with). Run by CTest as a script:
#   cmake -DSOURCE_DIR=... -DBINARY_DIR=... -DCOMPILER=... -DQT_HEADERS=... -P WindowsQtSyntax.cmake
# The sources are found afresh at each run, so a new Windows file is checked without a re-configure.
cmake_policy(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/WindowsSources.cmake)

# Build folders (one holds a Wine prefix with a link to /) and hidden folders are skipped.
file(GLOB topLevel LIST_DIRECTORIES true RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*)
set(sources)
foreach(dir IN LISTS topLevel)
  if(NOT IS_DIRECTORY ${SOURCE_DIR}/${dir} OR dir MATCHES "^(build|\\.)")
    continue()
  endif()
  file(GLOB_RECURSE found RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${dir}/*_win.cpp ${SOURCE_DIR}/${dir}/*_mf.cpp)
  foreach(source IN LISTS found)
    if(NOT source IN_LIST VIDLET_WIN_NATIVE_SOURCES)
      list(APPEND sources ${source})
    endif()
  endforeach()
endforeach()

file(GLOB qtModules LIST_DIRECTORIES true ${QT_HEADERS}/Qt*)
set(includes -I${SOURCE_DIR} -I${BINARY_DIR} -I${QT_HEADERS})
foreach(module IN LISTS qtModules)
  if(IS_DIRECTORY ${module})
    list(APPEND includes -I${module})
  endif()
endforeach()

set(failed)
foreach(source IN LISTS sources)
  execute_process(
    COMMAND ${COMPILER} -std=c++20 -fsyntax-only -Wall -Wextra -Wno-attributes
      -DUNICODE -D_UNICODE -DWIN32 -DMINGW_HAS_SECURE_API=1 ${includes} ${SOURCE_DIR}/${source}
    RESULT_VARIABLE result)
  if(result EQUAL 0)
    message(STATUS "ok: ${source}")
  else()
    list(APPEND failed ${source})
  endif()
endforeach()
list(LENGTH sources count)
if(failed)
  message(FATAL_ERROR "Windows sources that do not compile: ${failed}")
endif()
message(STATUS "${count} Windows sources compile")
