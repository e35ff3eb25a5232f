# The Windows build on a machine without a Windows Qt: the Qt-free Windows units as real,
# statically linked programs and DLLs, and their tests, which CTest runs under Wine in a prefix
# inside the build folder. Qt and FFmpeg are not searched.
set(CMAKE_AUTOMOC OFF)
vidlet_link_runtime_statically()
enable_testing()

foreach(area system softcam video regtool tests/win bench)
  if(EXISTS ${PROJECT_SOURCE_DIR}/${area}/CMakeLists.txt)
    add_subdirectory(${area})
  endif()
endforeach()

# Each source the Linux build leaves out of its syntax check must be built here.
function(vidlet_collect_sources dir out)
  set(found)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    get_target_property(sourceDir ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${sourceDir} NORMALIZE)
      list(APPEND found ${source})
    endforeach()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    vidlet_collect_sources(${subdir} subFound)
    list(APPEND found ${subFound})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/WindowsSources.cmake)
vidlet_collect_sources(${PROJECT_SOURCE_DIR} builtSources)
foreach(source IN LISTS VIDLET_WIN_NATIVE_SOURCES)
  if(NOT ${PROJECT_SOURCE_DIR}/${source} IN_LIST builtSources)
    message(FATAL_ERROR "${source} is listed in cmake/WindowsSources.cmake but no Windows target "
      "builds it")
  endif()
endforeach()
