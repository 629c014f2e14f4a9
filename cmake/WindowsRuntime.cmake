# What a Windows program of this build loads besides its own code: the Qt libraries and
# plugins and the MinGW-w64 runtime. Qt 6.4's qtbase has no windeployqt, so they are named here.

# The MinGW-w64 runtime DLLs the compiler's programs need, as full paths.
function(brellow_mingw_runtime_dlls out)
  set(dlls)
  foreach(runtime libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
      message(FATAL_ERROR "The MinGW-w64 runtime ${runtime} was not found")
    endif()
    list(APPEND dlls "${path}")
  endforeach()
  set(${out} "${dlls}" PARENT_SCOPE)
endfunction()

# The folder of Qt's DLLs; its plugins are beside it, in ../plugins.
function(brellow_qt_bin_dir out)
  get_target_property(core Qt6::Core IMPORTED_LOCATION_RELEASE)
  get_filename_component(bin "${core}" DIRECTORY)
  set(${out} "${bin}" PARENT_SCOPE)
endfunction()

# Installs beside Brellow.exe what it loads. Qt looks for its plugins in folders next to the
# program: the windows platform plugin, and the style that draws the controls as Windows does.
function(brellow_install_windows_runtime)
  foreach(library Qt6::Core Qt6::Gui Qt6::Widgets)
    install(FILES "$<TARGET_FILE:${library}>" DESTINATION .)
  endforeach()
  brellow_qt_bin_dir(qt_bin)
  install(FILES "${qt_bin}/../plugins/platforms/qwindows.dll" DESTINATION platforms)
  install(FILES "${qt_bin}/../plugins/styles/qwindowsvistastyle.dll" DESTINATION styles)
  brellow_mingw_runtime_dlls(runtime)
  install(FILES ${runtime} DESTINATION .)
endfunction()
