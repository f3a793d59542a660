# End-to-end tests of the program: the POSIX one natively (and once under a
# comma-decimal locale), the Windows one under Wine, headless.

# A test of a package the configure step could not make: ctest counts it as
# skipped, and its output says why.
function(kestrel_skipped_test name reason)
  add_test(NAME ${name} COMMAND bash -c "echo \"skipped: $1\"; exit 77" skip "${reason}")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()

# The end-to-end tables (tests/e2e/tables), each a test of its own that is
# skipped, with the reason, when a tool it needs is missing.
set(KESTREL_E2E_TABLES profiles pdfium layout failures merged folders nothing_lost edges pdfa)

# kestrel_e2e_tables(SUFFIX MODE [ENVIRONMENT...]): every table as e2e_TABLE_SUFFIX.
function(kestrel_e2e_tables suffix mode)
  foreach(table IN LISTS KESTREL_E2E_TABLES)
    add_test(NAME e2e_${table}_${suffix}
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/run.sh ${mode} $<TARGET_FILE:kestrel> ${table})
    set_tests_properties(e2e_${table}_${suffix} PROPERTIES SKIP_RETURN_CODE 77 ENVIRONMENT "${ARGN}")
  endforeach()
endfunction()

if(WIN32)
  kestrel_e2e_tables(windows wine "KESTREL_WINE=${KESTREL_WINE}")
  # The message box needs a display: Xvfb, found and dismissed with xdotool.
  add_test(NAME message_box_windows
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/message_box.sh $<TARGET_FILE:kestrel>
                   ${CMAKE_BINARY_DIR}/artifacts)
  set_tests_properties(message_box_windows PROPERTIES ENVIRONMENT "KESTREL_WINE=${KESTREL_WINE}")
else()
  kestrel_e2e_tables(posix posix)
  # The default converts one photo per processor; these run the tables with
  # one job count each (and once under a comma-decimal locale), the same PDFs
  # and messages expected.
  kestrel_e2e_tables(comma_locale posix "KESTREL_E2E_LOCALE=de_DE.UTF-8;KESTREL_E2E_JOBS=4")
  kestrel_e2e_tables(one_job posix "KESTREL_E2E_JOBS=1")
endif()

if(WIN32)
  add_test(NAME package_windows
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/package.sh windows
                   ${CMAKE_BINARY_DIR}/kestrel-${PROJECT_VERSION}-win64.zip)
  set_tests_properties(package_windows PROPERTIES ENVIRONMENT "KESTREL_WINE=${KESTREL_WINE}")
  if(TARGET package_setup)
    add_test(NAME setup_windows
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/package.sh setup
                     ${CMAKE_BINARY_DIR}/kestrel-${PROJECT_VERSION}-setup.exe)
    # Installs into the shared Wine prefix, so nothing else runs beside it there.
    set_tests_properties(setup_windows PROPERTIES ENVIRONMENT "KESTREL_WINE=${KESTREL_WINE}"
                         RUN_SERIAL TRUE)
  else()
    kestrel_skipped_test(setup_windows "${KESTREL_PACKAGE_SKIPPED}")
  endif()
else()
  add_test(NAME install_posix
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/package.sh posix ${CMAKE_BINARY_DIR})
  # scripts/demo in a fresh clone builds the program once more: only where
  # the source is a clone, and beside no other test (it takes both cores).
  if(EXISTS ${CMAKE_SOURCE_DIR}/.git AND NOT CMAKE_CXX_FLAGS MATCHES "sanitize")
    add_test(NAME first_minutes_posix COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/package.sh demo ${CMAKE_SOURCE_DIR})
    set_tests_properties(first_minutes_posix PROPERTIES RUN_SERIAL TRUE)
  endif()
  # The .deb installed on this machine and removed again: root or sudo, else skipped.
  if(TARGET package_deb)
    add_test(NAME package_deb COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/package.sh deb ${KESTREL_DEB})
    set_tests_properties(package_deb PROPERTIES SKIP_RETURN_CODE 77 RUN_SERIAL TRUE)
  elseif(KESTREL_PACKAGE_SKIPPED)
    kestrel_skipped_test(package_deb "${KESTREL_PACKAGE_SKIPPED}")
  endif()
endif()

# Hostile input, POSIX program: faults in the middle of a batch, peak memory
# against the JPEG's size, the shared real-world corpus (skipped when absent),
# and the e2e inputs under valgrind, which cannot run a sanitizer build.
if(NOT WIN32)
  # Many jobs at once, their output compared run after run with -j 1's.
  add_test(NAME stress_posix COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/stress.sh $<TARGET_FILE:kestrel>)
  add_test(NAME faults_posix COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/faults.sh $<TARGET_FILE:kestrel>)
  # An absolute bound only where it measures the program, not a sanitizer runtime.
  if(CMAKE_CXX_FLAGS MATCHES "sanitize")
    set(memory_bound_kb 0)
  else()
    set(memory_bound_kb 16384)
  endif()
  add_test(NAME memory_posix
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/memory.sh $<TARGET_FILE:kestrel> ${memory_bound_kb} 1 256)
  add_test(NAME corpus_posix COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/corpus.sh $<TARGET_FILE:kestrel>)
  set_tests_properties(corpus_posix PROPERTIES SKIP_RETURN_CODE 77)
  if(NOT CMAKE_CXX_FLAGS MATCHES "sanitize" AND NOT KESTREL_FUZZ)
    # docs/cluster.md's recipes (GNU parallel, a Slurm array) on 2,000 photos: about 25 s.
    add_test(NAME cluster_posix COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/cluster.sh $<TARGET_FILE:kestrel>)
    add_test(NAME valgrind_posix
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/valgrind.sh $<TARGET_FILE:kestrel>)
  endif()
endif()
