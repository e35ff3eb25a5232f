# vidlet-regtool.exe: Qt-free, windowless (GUI subsystem), elevated by its manifest. It runs
# alone, elevated, so it carries its own C++ runtime.
vidlet_link_runtime_statically()
set(CMAKE_AUTOMOC OFF)
configure_file(RegToolVersion.h.in ${PROJECT_BINARY_DIR}/regtool/RegToolVersion.h @ONLY)

add_library(vidlet_regtool_win STATIC
  RegTool_win.h RegTool_win.cpp
  RegToolLog_win.h RegToolLog_win.cpp
  RegToolExit_win.h
  AdminFolder_win.h AdminFolder_win.cpp
  StagedCopy_win.h StagedCopy_win.cpp
)
set_target_properties(vidlet_regtool_win PROPERTIES AUTOMOC OFF)
target_include_directories(vidlet_regtool_win PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
target_link_libraries(vidlet_regtool_win PUBLIC vidlet_firewall ole32 shell32 advapi32)

# The icon is the application's, wrapped into an .ico at build time.
set(appIcon ${PROJECT_SOURCE_DIR}/assets/icons/app-icon-256.png)
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/app-icon.ico
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/png-to-ico.sh
    ${appIcon} ${CMAKE_CURRENT_BINARY_DIR}/app-icon.ico
  DEPENDS ${appIcon} ${PROJECT_SOURCE_DIR}/scripts/png-to-ico.sh)

add_executable(vidlet-regtool WIN32 main_win.cpp vidlet-regtool_win.rc
  ${CMAKE_CURRENT_BINARY_DIR}/app-icon.ico)
set_target_properties(vidlet-regtool PROPERTIES AUTOMOC OFF)
set_source_files_properties(vidlet-regtool_win.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_CURRENT_SOURCE_DIR}/vidlet-regtool.exe.manifest;${CMAKE_CURRENT_BINARY_DIR}/app-icon.ico")
target_include_directories(vidlet-regtool PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
target_link_libraries(vidlet-regtool PRIVATE vidlet_regtool_win)
