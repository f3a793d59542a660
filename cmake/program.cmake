# The program: kestrel.exe (GUI subsystem, wide entry point, resources) or the
# POSIX kestrel; data/ with the default profiles always sits beside it.
set(KESTREL_PROFILES ${CMAKE_SOURCE_DIR}/data/sGray.icc ${CMAKE_SOURCE_DIR}/data/sRGB.icc
                     ${CMAKE_SOURCE_DIR}/data/sCMYK.icc)

if(WIN32)
  enable_language(RC)
  add_executable(kestrel WIN32 src/app/win_main.cpp resources/kestrel.rc)
  target_link_options(kestrel PRIVATE -municode)
  target_include_directories(kestrel PRIVATE ${KESTREL_GENERATED_DIR} ${CMAKE_SOURCE_DIR}/resources)
  set_property(SOURCE resources/kestrel.rc APPEND PROPERTY OBJECT_DEPENDS
               ${KESTREL_GENERATED_DIR}/string_table.rc ${CMAKE_SOURCE_DIR}/resources/kestrel.ico)
else()
  add_executable(kestrel src/app/posix_main.cpp)
endif()
target_link_libraries(kestrel PRIVATE kestrel_driver)

# A target of its own (run by every build) rather than a post-build step, so a
# changed profile reaches data/ even when the program itself is not relinked.
add_custom_target(kestrel_profiles ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory $<TARGET_FILE_DIR:kestrel>/data
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${KESTREL_PROFILES} $<TARGET_FILE_DIR:kestrel>/data
  VERBATIM)

if(WIN32)
  # The portable package: kestrel.exe, data\ and a short README.txt.
  set(package_name kestrel-${PROJECT_VERSION}-win64)
  set(package_dir ${CMAKE_BINARY_DIR}/package/${package_name})
  add_custom_target(package_zip ALL
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${package_dir}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}/data
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kestrel> ${package_dir}
    COMMAND ${CMAKE_COMMAND} -E copy ${KESTREL_PROFILES} ${package_dir}/data
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/resources/README.txt ${package_dir}
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_BINARY_DIR}/package
            ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/${package_name}.zip --format=zip ${package_name}
    DEPENDS kestrel
    VERBATIM)
else()
  include(GNUInstallDirs)
  install(TARGETS kestrel DESTINATION ${CMAKE_INSTALL_LIBDIR}/kestrel)
  install(FILES ${KESTREL_PROFILES} DESTINATION ${CMAKE_INSTALL_LIBDIR}/kestrel/data)
  install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${CMAKE_INSTALL_LIBDIR}/kestrel/kestrel
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/kestrel\" SYMBOLIC)
  ")
endif()
