# What Brellow.exe needs beside it on Windows: the Qt libraries and plugins it loads and the
# MinGW-w64 runtime. Qt 6.4's qtbase has no windeployqt, so they are named here. Qt looks for
# its plugins in folders next to the program.
set(_qt_libraries Qt6::Core Qt6::Gui Qt6::Widgets)
foreach(_library IN LISTS _qt_libraries)
  install(FILES "$<TARGET_FILE:${_library}>" DESTINATION .)
endforeach()

# The windows platform plugin, and the style that draws the controls as Windows does.
get_target_property(_qt_core_dll Qt6::Core IMPORTED_LOCATION_RELEASE)
get_filename_component(_qt_prefix "${_qt_core_dll}" DIRECTORY)
get_filename_component(_qt_prefix "${_qt_prefix}" DIRECTORY)
install(FILES "${_qt_prefix}/plugins/platforms/qwindows.dll" DESTINATION platforms)
install(FILES "${_qt_prefix}/plugins/styles/qwindowsvistastyle.dll" DESTINATION styles)

foreach(_runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${_runtime}
                  OUTPUT_VARIABLE _runtime_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${_runtime_path}" OR NOT EXISTS "${_runtime_path}")
    message(FATAL_ERROR "The MinGW-w64 runtime ${_runtime} was not found")
  endif()
  install(FILES "${_runtime_path}" DESTINATION .)
endforeach()
