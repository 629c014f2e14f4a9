# Cross-compiling for 64-bit Windows with Debian's MinGW-w64, posix thread model: Qt needs
# std::thread and std::mutex, which the win32 thread model's libstdc++ lacks.
#
# Used for Qt itself (scripts/windows-qt) and for Brellow (the "windows" preset). For Brellow,
# BRELLOW_WINDOWS_QT names the Qt for Windows that scripts/windows-qt installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
# The Qt for Windows, from the cache variable or the environment (try_compile projects see
# only the environment).
if(NOT BRELLOW_WINDOWS_QT AND DEFINED ENV{BRELLOW_WINDOWS_QT})
  set(BRELLOW_WINDOWS_QT "$ENV{BRELLOW_WINDOWS_QT}")
endif()
if(BRELLOW_WINDOWS_QT)
  set(ENV{BRELLOW_WINDOWS_QT} "${BRELLOW_WINDOWS_QT}")
  list(APPEND CMAKE_FIND_ROOT_PATH "${BRELLOW_WINDOWS_QT}")
  list(APPEND CMAKE_PREFIX_PATH "${BRELLOW_WINDOWS_QT}")
endif()
# Programs run on the build machine; libraries, headers and packages come from the target.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Qt's build tools (moc, rcc, uic) are the build machine's own Qt of the same version.
if(NOT DEFINED QT_HOST_PATH)
  set(QT_HOST_PATH /usr CACHE PATH "Qt for the build machine, whose tools a cross build runs")
endif()
# Debian keeps the host Qt's CMake packages in its multiarch folder, not in lib/cmake.
if(NOT DEFINED QT_HOST_PATH_CMAKE_DIR)
  file(GLOB _host_info_configs "${QT_HOST_PATH}/lib/*/cmake/Qt6HostInfo/Qt6HostInfoConfig.cmake")
  if(_host_info_configs)
    list(GET _host_info_configs 0 _host_info_config)
    get_filename_component(_host_cmake_dir "${_host_info_config}" DIRECTORY)
    get_filename_component(_host_cmake_dir "${_host_cmake_dir}" DIRECTORY)
    set(QT_HOST_PATH_CMAKE_DIR "${_host_cmake_dir}" CACHE PATH "The host Qt's CMake packages")
  endif()
endif()
