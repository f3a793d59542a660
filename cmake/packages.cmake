# The packages people install: kestrel-VERSION-setup.exe (NSIS, Send To entries)
# beside the zip in the Windows build, kestrel_VERSION_amd64.deb (CPack) in the
# native Linux build. Each needs its tools (makensis; dpkg and dpkg-shlibdeps): where
# they are missing the package is skipped, KESTREL_PACKAGE_SKIPPED says why, and
# the program, the zip and every other test are built all the same.
set(KESTREL_PUBLISHER "The Kestrel developers")

if(WIN32)
  # The PATH alone says what is installed; no fixed folder is searched besides.
  find_program(KESTREL_MAKENSIS makensis NO_CMAKE_SYSTEM_PATH)
  if(NOT KESTREL_MAKENSIS)
    set(KESTREL_PACKAGE_SKIPPED "makensis (Debian: nsis) not found: kestrel-${PROJECT_VERSION}-setup.exe is skipped")
    message(STATUS "${KESTREL_PACKAGE_SKIPPED}")
    return()
  endif()
  set(KESTREL_ICON ${CMAKE_SOURCE_DIR}/resources/kestrel.ico)
  # One install and one delete line per profile, so the uninstaller removes
  # exactly what was installed.
  set(KESTREL_NSIS_FILES "")
  set(KESTREL_NSIS_DELETES "")
  foreach(profile IN LISTS KESTREL_PROFILES)
    get_filename_component(name ${profile} NAME)
    string(APPEND KESTREL_NSIS_FILES "  File \"${profile}\"\n")
    string(APPEND KESTREL_NSIS_DELETES "  Delete \"$INSTDIR\\data\\${name}\"\n")
  endforeach()
  configure_file(${CMAKE_SOURCE_DIR}/resources/kestrel.nsi.in ${CMAKE_BINARY_DIR}/kestrel.nsi @ONLY)
  set(setup ${CMAKE_BINARY_DIR}/kestrel-${PROJECT_VERSION}-setup.exe)
  add_custom_command(OUTPUT ${setup}
    COMMAND ${KESTREL_MAKENSIS} -V2 -DKESTREL_EXE=$<TARGET_FILE:kestrel> -DOUTFILE=${setup}
            ${CMAKE_BINARY_DIR}/kestrel.nsi
    DEPENDS kestrel ${CMAKE_BINARY_DIR}/kestrel.nsi ${KESTREL_PROFILES} ${KESTREL_ICON}
    VERBATIM)
  add_custom_target(package_setup ALL DEPENDS ${setup})
  return()
endif()

# The manual page and the changelog go compressed, as Debian policy wants them;
# cmake --install puts them in the same places.
set(doc_dir ${CMAKE_BINARY_DIR}/doc)
set(manual ${doc_dir}/kestrel.1.gz)
set(changelog ${doc_dir}/changelog.gz)
foreach(source docs/kestrel.1 resources/debian/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${doc_dir}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_dir}
    COMMAND gzip -9nc ${CMAKE_SOURCE_DIR}/${source} > ${doc_dir}/${name}.gz
    DEPENDS ${CMAKE_SOURCE_DIR}/${source})
endforeach()
set(doc_files ${manual} ${changelog})
install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
add_custom_target(kestrel_docs ALL DEPENDS ${doc_files})
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/resources/debian/copyright ${changelog}
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The .deb is made by the ordinary build, not by a sanitizer or fuzz build.
if(CMAKE_CXX_FLAGS MATCHES "sanitize" OR KESTREL_FUZZ)
  return()
endif()
# dpkg names the architecture; without dpkg-shlibdeps CPack would write an
# empty Depends line. Found on the PATH alone, as makensis is.
find_program(KESTREL_DPKG dpkg NO_CMAKE_SYSTEM_PATH)
find_program(KESTREL_DPKG_SHLIBDEPS dpkg-shlibdeps NO_CMAKE_SYSTEM_PATH)
if(NOT KESTREL_DPKG OR NOT KESTREL_DPKG_SHLIBDEPS)
  set(KESTREL_PACKAGE_SKIPPED "dpkg or dpkg-shlibdeps (Debian: dpkg-dev) not found: kestrel_${PROJECT_VERSION}.deb is skipped")
  message(STATUS "${KESTREL_PACKAGE_SKIPPED}")
  return()
endif()
execute_process(COMMAND ${KESTREL_DPKG} --print-architecture OUTPUT_VARIABLE deb_architecture
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb_architecture})
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR ${KESTREL_PUBLISHER})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Kestrel <dev@kestrel.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "lossless JPEG to PDF converter
Kestrel turns each JPEG photo named on its command line into a one-page PDF
beside it. The JPEG data is copied into the PDF unchanged, on a page of the
photo's physical size, with an ICC colour profile: the photo's own, one named
on the command line, or a default sRGB, gray or CMYK profile.")
include(CPack)

set(KESTREL_DEB ${CMAKE_BINARY_DIR}/kestrel_${PROJECT_VERSION}_${deb_architecture}.deb)
add_custom_command(OUTPUT ${KESTREL_DEB}
  COMMAND ${CMAKE_CPACK_COMMAND} --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS kestrel ${doc_files} ${KESTREL_PROFILES} ${CMAKE_SOURCE_DIR}/README.md
          ${CMAKE_SOURCE_DIR}/resources/debian/copyright ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  VERBATIM)
add_custom_target(package_deb ALL DEPENDS ${KESTREL_DEB})
