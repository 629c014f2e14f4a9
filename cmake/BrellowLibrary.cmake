# brellow_library(NAME
#                 SOURCES file...               [LINUX_SOURCES file...] [WINDOWS_SOURCES file...]
#                 [DEPENDS target...]           [PRIVATE_DEPENDS target...])
#
# One folder of src/ as one static library, brellow_NAME (alias Brellow::NAME). Its public
# headers live under include/NAME/ in the folder and are included as "NAME/Header.h"; every
# other file of the folder is private to it, included relative to the folder. A library sees
# only the include roots of the libraries it names under DEPENDS and PRIVATE_DEPENDS (and
# those they name under DEPENDS), so an include of any other library does not compile: the
# arrows between the folders are the ones written here. And they all point one way: a library
# may only name libraries made before it, so the order of src/CMakeLists.txt is the layering,
# and naming a later one (which an arrow the wrong way would need) stops the configuration.
function(brellow_library name)
  cmake_parse_arguments(ARG "" ""
    "SOURCES;LINUX_SOURCES;WINDOWS_SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "brellow_library(${name}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  get_property(made GLOBAL PROPERTY BRELLOW_LIBRARIES)
  foreach(dependency IN LISTS ARG_DEPENDS ARG_PRIVATE_DEPENDS)
    if(dependency MATCHES "^Brellow::(.+)$" AND NOT CMAKE_MATCH_1 IN_LIST made)
      message(FATAL_ERROR "brellow_library(${name}) builds on ${CMAKE_MATCH_1}, which is not "
        "below it in src/CMakeLists.txt: the arrow between the two would run the wrong way")
    endif()
  endforeach()
  set_property(GLOBAL APPEND PROPERTY BRELLOW_LIBRARIES ${name})
  set(sources ${ARG_SOURCES})
  if(WIN32)
    list(APPEND sources ${ARG_WINDOWS_SOURCES})
  else()
    list(APPEND sources ${ARG_LINUX_SOURCES})
  endif()
  # The headers too: moc finds the classes it must read in them, and IDEs show them.
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS
    "${CMAKE_CURRENT_SOURCE_DIR}/include/${name}/*.h")
  add_library(brellow_${name} STATIC ${sources} ${headers})
  add_library(Brellow::${name} ALIAS brellow_${name})
  target_include_directories(brellow_${name}
    PUBLIC "${CMAKE_CURRENT_SOURCE_DIR}/include"
    PRIVATE "${CMAKE_CURRENT_SOURCE_DIR}")
  target_link_libraries(brellow_${name} PUBLIC ${ARG_DEPENDS} PRIVATE ${ARG_PRIVATE_DEPENDS})
endfunction()
