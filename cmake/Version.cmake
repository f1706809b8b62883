# The program's version, written here once. The main project takes it as its
# project(VERSION); wrenpost_version_target() generates wrenpost_version.h
# from it for the code, the Windows resource and the tests.
set(WRENPOST_VERSION 1.6.0)
set(wrenpost_version_template ${CMAKE_CURRENT_LIST_DIR}/wrenpost_version.h.in)

# Defines the interface target wrenpost_version, whose users can include
# "wrenpost_version.h".
function(wrenpost_version_target)
  string(REPLACE "." ";" parts ${WRENPOST_VERSION})
  list(GET parts 0 WRENPOST_VERSION_MAJOR)
  list(GET parts 1 WRENPOST_VERSION_MINOR)
  list(GET parts 2 WRENPOST_VERSION_PATCH)
  # The version record's strings, as the callers' runtime shows a version:
  # the major number, a dot and the minor number in two digits (1.6 -> 1.06).
  set(minor_digits ${WRENPOST_VERSION_MINOR})
  string(LENGTH ${minor_digits} minor_length)
  if(minor_length LESS 2)
    set(minor_digits "0${minor_digits}")
  endif()
  set(WRENPOST_VERSION_STRINGS "${WRENPOST_VERSION_MAJOR}.${minor_digits}")
  set(folder ${CMAKE_BINARY_DIR}/generated)
  configure_file(${wrenpost_version_template} ${folder}/wrenpost_version.h @ONLY)
  add_library(wrenpost_version INTERFACE)
  target_include_directories(wrenpost_version INTERFACE ${folder})
endfunction()
