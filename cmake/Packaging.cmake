# Installation into the desktop (GNUInstallDirs layout) and the packages CPack builds:
# a .deb and a source archive on Linux, an installer on Windows.
set(BRELLOW_APP_ID "org.example.brellow")
set(BRELLOW_ICON_DIR "${PROJECT_SOURCE_DIR}/resources/icons")

if(BRELLOW_BUILD_GUI AND UNIX AND NOT APPLE)
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/linux/${BRELLOW_APP_ID}.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  install(FILES "${PROJECT_SOURCE_DIR}/packaging/linux/${BRELLOW_APP_ID}.metainfo.xml"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
  install(FILES "${BRELLOW_ICON_DIR}/brellow.svg"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
          RENAME "${BRELLOW_APP_ID}.svg")
  foreach(size 16 32 48 64 128 256)
    install(FILES "${BRELLOW_ICON_DIR}/brellow-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME "${BRELLOW_APP_ID}.png")
  endforeach()
endif()

if(WIN32)
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION . RENAME LICENSE.txt)
else()
  install(FILES "${PROJECT_SOURCE_DIR}/LICENSE" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/brellow")
endif()

set(CPACK_PACKAGE_NAME "brellow")
set(CPACK_PACKAGE_VENDOR "${BRELLOW_COMPANY_NAME}")
set(CPACK_PACKAGE_CONTACT "The Brellow developers <brellow@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Find the version and service pack level of a SQL Server")
set(CPACK_PACKAGE_DESCRIPTION "${BRELLOW_COMMENTS}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${PROJECT_HOMEPAGE_URL}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Brellow")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)

# Debian: library dependencies come from shlibdeps; the ODBC driver and the fonts are
# loaded at run time, not linked, so they are named here.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "database")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tdsodbc, fonts-liberation2")
# Either FreeTDS does; the package says what only 1.5 and later can.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "${BRELLOW_COMMENTS}\n.\nServers that speak TDS 8.0 only (strict encryption, SQL Server 2022 and later) need FreeTDS 1.5 or later as tdsodbc; Debian 12's FreeTDS 1.3 reaches every other server.")
# xdg-open opens the web link. System Info starts the first of these that is installed, in
# the program's order; apt brings hardinfo where the desktop has none of its own.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "fonts-wine, xdg-utils, hardinfo | kinfocenter | gnome-control-center | libxfce4ui-utils | lshw-gtk")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")

# Windows: a 64-bit NSIS installer, brellow-VERSION-win64.exe, that puts Brellow.exe and what
# it loads into Program Files, adds a Start-menu shortcut and an entry in Programs and
# Features, and whose uninstaller takes all of it away again. NSIS's amd64 stubs make an
# installer that runs as a 64-bit program, so that it writes the 64-bit registry view.
if(WIN32)
  set(CPACK_GENERATOR "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "brellow-${PROJECT_VERSION}-win64")
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Brellow")
  set(CPACK_NSIS_PACKAGE_NAME "Brellow")
  set(CPACK_NSIS_DISPLAY_NAME "Brellow")
  set(CPACK_NSIS_MUI_ICON "${BRELLOW_ICON_DIR}/brellow.ico")
  set(CPACK_NSIS_MUI_UNIICON "${BRELLOW_ICON_DIR}/brellow.ico")
  set(CPACK_NSIS_INSTALLED_ICON_NAME "Brellow.exe")
  set(CPACK_NSIS_URL_INFO_ABOUT "${PROJECT_HOMEPAGE_URL}")
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY ".")
  set(CPACK_PACKAGE_EXECUTABLES "Brellow" "Brellow")
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  # The program folder holds only what the installer put there, so the uninstaller removes it.
  set(CPACK_NSIS_UNINSTALL_NAME "Uninstall")
else()
  set(CPACK_GENERATOR "DEB")
endif()

set(CPACK_SOURCE_GENERATOR "TGZ")
set(CPACK_SOURCE_PACKAGE_FILE_NAME "brellow-${PROJECT_VERSION}")
set(CPACK_SOURCE_IGNORE_FILES
    "/\\\\.git/" "/build/" "/node_modules/" "\\\\.swp$" "/\\\\.cache/")

include(CPack)
