# End-to-end tests of the program: the POSIX one natively (and once under a
# comma-decimal locale), the Windows one under Wine, headless.
if(WIN32)
  add_test(NAME e2e_windows
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/run.sh wine $<TARGET_FILE:kestrel>)
  set_tests_properties(e2e_windows PROPERTIES ENVIRONMENT "KESTREL_WINE=${KESTREL_WINE}")
  # The message box needs a display: Xvfb, found and dismissed with xdotool.
  add_test(NAME message_box_windows
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/message_box.sh $<TARGET_FILE:kestrel>
                   ${CMAKE_BINARY_DIR}/artifacts)
  set_tests_properties(message_box_windows PROPERTIES ENVIRONMENT "KESTREL_WINE=${KESTREL_WINE}")
else()
  add_test(NAME e2e_posix
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/run.sh posix $<TARGET_FILE:kestrel>)
  add_test(NAME e2e_posix_comma_locale
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/run.sh posix $<TARGET_FILE:kestrel>)
  set_tests_properties(e2e_posix_comma_locale PROPERTIES ENVIRONMENT "KESTREL_E2E_LOCALE=de_DE.UTF-8")
endif()

if(WIN32)
  add_test(NAME package_windows
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/package.sh windows
                   ${CMAKE_BINARY_DIR}/kestrel-${PROJECT_VERSION}-win64.zip)
  set_tests_properties(package_windows PROPERTIES ENVIRONMENT "KESTREL_WINE=${KESTREL_WINE}")
else()
  add_test(NAME install_posix
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/package.sh posix ${CMAKE_BINARY_DIR})
endif()
