# The window programs for Windows, laid out as Qt's deployment tool lays a program out:
# the executables in VELKOR_WINDOWS_DEPLOY_DIR with every DLL and plugin they load
# beside them, so that the folder runs as it stands, copied anywhere. This file is the
# one list of what a Windows installation holds besides our programs: the staging
# below, the install rules and the Windows installer (packaging/windows/) read it.

set(VELKOR_WINDOWS_DEPLOY_DIR ${CMAKE_BINARY_DIR}/deploy)

# What the programs load, as "folder in the layout|where it comes from": a Qt target
# (its DLL), a file of mingw's run-time (found where the compiler finds it) or a file
# by its whole path. Qt's tool would add more than the programs load: no style plugin,
# since they draw with Qt's own Fusion style on every system (ApplicationLook.h), and
# no image format plugin (imageformats/qsvg.dll), since the skin is rendered by Qt Svg
# itself and nothing reads an image file through Qt's plugins (QT_DEBUG_PLUGINS shows
# the platform plugin alone loaded).
set(VELKOR_WINDOWS_RUNTIME
  ".|Qt6::Core"
  ".|Qt6::Gui"
  ".|Qt6::Widgets"
  ".|Qt6::Svg"
  "platforms|Qt6::QWindowsIntegrationPlugin"
  ".|libstdc++-6.dll"
  ".|libgcc_s_seh-1.dll"
  ".|libwinpthread-1.dll"
)
# What only the tests load besides: Qt Test, and the platform that needs no display.
set(VELKOR_WINDOWS_TEST_RUNTIME
  ".|Qt6::Test"
  "platforms|Qt6::QOffscreenIntegrationPlugin"
)
# The licences that travel with what the layout holds: ours; Qt's (LGPL 3, which also
# asks that users may replace the DLLs, with the GPL 3 whose terms it adds to) with the
# notices of the libraries Qt bundles;
# Liberation Sans', which the programs carry inside them; mingw-w64's (winpthreads)
# and GCC's run-time libraries'.
get_filename_component(qt_prefix "${Qt6_DIR}/../../.." ABSOLUTE)
set(VELKOR_WINDOWS_LICENSES
  "licenses|${PROJECT_SOURCE_DIR}/LICENSE"
  "licenses/qt|${qt_prefix}/LICENSES/qtbase/LGPL-3.0-only.txt"
  "licenses/qt|${qt_prefix}/LICENSES/qtbase/GPL-3.0-only.txt"
  "licenses/qt|${qt_prefix}/LICENSES/qtbase/debian-copyright"
  "licenses/liberation-fonts|/usr/share/doc/fonts-liberation2/copyright"
  "licenses/mingw-w64|/usr/share/doc/mingw-w64-common/copyright"
  "licenses/gcc-runtime|/usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright"
)

# `entry` ("folder|source") as the file to copy and the folder it goes to.
function(velkor_windows_runtime_file entry out_source out_folder)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 folder)
  list(GET parts 1 source)
  if(TARGET ${source})
    get_target_property(configurations ${source} IMPORTED_CONFIGURATIONS)
    list(GET configurations 0 configuration)
    get_target_property(found ${source} IMPORTED_LOCATION_${configuration})
  elseif(IS_ABSOLUTE "${source}")
    set(found "${source}")
  else()
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${source}
      OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  endif()
  if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
    message(FATAL_ERROR "${source}, which the Windows programs load, was not found (found: \"${found}\")")
  endif()
  set(${out_source} "${found}" PARENT_SCOPE)
  set(${out_folder} "${folder}" PARENT_SCOPE)
endfunction()

# Copied into the layout whenever a source changes; the install leaves out the tests'
# list.
set(staged_files)
foreach(entry IN LISTS VELKOR_WINDOWS_RUNTIME VELKOR_WINDOWS_LICENSES VELKOR_WINDOWS_TEST_RUNTIME)
  velkor_windows_runtime_file("${entry}" source folder)
  get_filename_component(name "${source}" NAME)
  set(staged "${VELKOR_WINDOWS_DEPLOY_DIR}/${folder}/${name}")
  add_custom_command(OUTPUT "${staged}" DEPENDS "${source}"
    COMMAND ${CMAKE_COMMAND} -E copy_if_different "${source}" "${staged}" VERBATIM)
  list(APPEND staged_files "${staged}")
  if(NOT entry IN_LIST VELKOR_WINDOWS_TEST_RUNTIME)
    install(FILES "${source}" DESTINATION "${folder}" COMPONENT runtime)
  endif()
endforeach()
add_custom_target(velkor_windows_runtime DEPENDS ${staged_files})

# A program or test that links Qt: the mingw run-time as DLLs (see the top
# CMakeLists.txt), the layout's DLLs in place before it runs.
function(velkor_windows_qt_program target)
  set_target_properties(${target} PROPERTIES VELKOR_QT_RUNTIME ON)
  add_dependencies(${target} velkor_windows_runtime)
endfunction()

# One of the window programs: a Windows (not console) program in the layout, installed
# at the top of it.
function(velkor_windows_app target)
  velkor_windows_qt_program(${target})
  set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON RUNTIME_OUTPUT_DIRECTORY ${VELKOR_WINDOWS_DEPLOY_DIR})
  install(TARGETS ${target} RUNTIME DESTINATION . COMPONENT runtime)
endfunction()

# Under wine, a program outside the layout (a test, a build step) finds the layout's DLLs
# through WINEPATH (wine's name for the PATH it hands the program) and Qt's plugins
# through QT_PLUGIN_PATH, which wine hands on only as WINEQT_PLUGIN_PATH: it keeps
# the Linux side's QT_ variables to itself.
set(VELKOR_WINDOWS_WINE_ENVIRONMENT
  "WINEPATH=Z:${VELKOR_WINDOWS_DEPLOY_DIR}"
  "WINEQT_PLUGIN_PATH=Z:${VELKOR_WINDOWS_DEPLOY_DIR}"
)
