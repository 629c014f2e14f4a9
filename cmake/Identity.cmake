# The program's identity has one source: the values below and the project's version.
# They feed the generated header the program reads and the Windows version resource.
set(BRELLOW_PRODUCT_NAME "Brellow")
set(BRELLOW_INTERNAL_NAME "Brellow")
set(BRELLOW_ORIGINAL_FILENAME "Brellow.exe")
set(BRELLOW_COMPANY_NAME "The Brellow developers")
set(BRELLOW_COMMENTS
    "This application allows you to find the current version and service pack level of any SQL Server 2000 installation.")
set(BRELLOW_WEB_ADDRESS "brellow.example.org")

set(BRELLOW_VERSION_MAJOR ${PROJECT_VERSION_MAJOR})
set(BRELLOW_VERSION_MINOR ${PROJECT_VERSION_MINOR})
set(BRELLOW_VERSION_REVISION ${PROJECT_VERSION_PATCH})
# Windows four-part file version: major.minor.build.revision, with build 0.
set(BRELLOW_FILE_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,${PROJECT_VERSION_PATCH}")
# The classic "1.00.0005" form of the version strings.
math(EXPR _minor_padded "${PROJECT_VERSION_MINOR}" OUTPUT_FORMAT DECIMAL)
string(LENGTH "${_minor_padded}" _len)
if(_len LESS 2)
  set(_minor_padded "0${_minor_padded}")
endif()
set(_rev_padded "${PROJECT_VERSION_PATCH}")
string(LENGTH "${_rev_padded}" _len)
while(_len LESS 4)
  set(_rev_padded "0${_rev_padded}")
  string(LENGTH "${_rev_padded}" _len)
endwhile()
set(BRELLOW_VERSION_STRING "${PROJECT_VERSION_MAJOR}.${_minor_padded}.${_rev_padded}")

set(BRELLOW_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated")
configure_file("${CMAKE_CURRENT_LIST_DIR}/BuildIdentity.h.in"
               "${BRELLOW_GENERATED_DIR}/BuildIdentity.h" @ONLY)
configure_file("${CMAKE_CURRENT_LIST_DIR}/brellow.rc.in"
               "${BRELLOW_GENERATED_DIR}/brellow.rc" @ONLY)
