# Packages: a .deb for Debian and Ubuntu desktops, a .zip of the Windows
# program. `cpack` in a build folder makes the one its system builds. The
# 32-bit Windows build also has the `msi` target: the per-user installer.

set(CPACK_PACKAGE_NAME "wrenpost")
set(CPACK_PACKAGE_VENDOR "Wrenpost")
set(CPACK_PACKAGE_CONTACT "Wrenpost maintainers <wrenpost@localhost>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "Other programs start Wrenpost with a command line such as -to anna;jan -subject Oferta -bodyfile b.html -html 1 -attachment f.pdf. It opens a new message in the desktop mail client with everything filled in and leaves its compose window open; the user sends it.")
# The Windows program links stripped already. Packages made here are never
# signed: tools/release_windows.sh signs copies of the build outputs.
if(NOT WIN32)
  set(CPACK_STRIP_FILES ON)
endif()

if(EXISTS "${PROJECT_SOURCE_DIR}/README.md")
  set(wrenpost_readme "${PROJECT_SOURCE_DIR}/README.md")
endif()

if(WIN32)
  # Everything at the top of the archive: Wrenpost.exe and the README, ready
  # to unpack into a folder of its own (the log is written beside the program).
  set(CPACK_GENERATOR "ZIP")
  install(TARGETS wrenpost RUNTIME DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
  if(wrenpost_readme)
    install(FILES "${wrenpost_readme}" DESTINATION . COMPONENT portable EXCLUDE_FROM_ALL)
  endif()
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL portable)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(CPACK_SYSTEM_NAME "win32")
  else()
    set(CPACK_SYSTEM_NAME "win64")
  endif()
  set(CPACK_PACKAGE_FILE_NAME "Wrenpost-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME}")

  # The installer carries the 32-bit program, which runs on every Windows and
  # drives 32- and 64-bit Outlook alike (the automation is out of process).
  # This target packs the build output as it is, unsigned. The release does
  # not use it: tools/release_windows.sh copies both programs to a staging
  # folder, signs the copies, builds the MSI from the signed 32-bit copy with
  # the same script and signs the MSI; the build outputs stay unsigned.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(wrenpost_msi "${PROJECT_BINARY_DIR}/Wrenpost-${PROJECT_VERSION}.msi")
    set(msi_sources "${PROJECT_SOURCE_DIR}/packaging/windows")
    add_custom_command(OUTPUT "${wrenpost_msi}"
      COMMAND bash "${msi_sources}/build_msi.sh" "$<TARGET_FILE:wrenpost>" "${PROJECT_VERSION}" "${wrenpost_msi}"
      DEPENDS wrenpost "$<TARGET_FILE:wrenpost>" "${msi_sources}/Wrenpost.wxs" "${msi_sources}/build_msi.sh"
      COMMENT "Building the installer Wrenpost-${PROJECT_VERSION}.msi"
      VERBATIM)
    add_custom_target(msi DEPENDS "${wrenpost_msi}")
  endif()
else()
  set(CPACK_GENERATOR "DEB")
  install(FILES "${PROJECT_SOURCE_DIR}/docs/linux.md" DESTINATION share/doc/wrenpost)
  if(wrenpost_readme)
    install(FILES "${wrenpost_readme}" DESTINATION share/doc/wrenpost)
  endif()
  set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION "mail")
  find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    # No dpkg-dev here: the libraries the program links, without versions.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
  endif()
  # Thunderbird opens the compose window, zenity shows the warning box; the
  # program still runs without them (a 429 report, the box on the console).
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "thunderbird, zenity")
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "kdialog, x11-utils")
endif()

include(CPack)

if(WRENPOST_TESTS AND NOT WIN32)
  add_test(NAME Packaging.DebianPackage
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DOUT_DIR=${PROJECT_BINARY_DIR}/package-check
                   -DCMAKE_CPACK_COMMAND=${CMAKE_CPACK_COMMAND} -DVERSION=${PROJECT_VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/CheckDebPackage.cmake)
  set_tests_properties(Packaging.DebianPackage PROPERTIES SKIP_RETURN_CODE 77)
endif()
