# Unit tests: one GoogleTest program per subsystem, each run once (under Wine
# for the Windows build, where every process start costs a second).
# GoogleTest installed (find_package: a distribution's package, or for the
# Windows build one under the mingw-w64 root), else built from its sources
# (Debian's googletest package puts them in /usr/src/googletest).
set(KESTREL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources, when no installed GoogleTest is found")
find_package(GTest QUIET)
if(GTest_FOUND)
  set(KESTREL_GTEST GTest::gtest GTest::gtest_main)
elseif(EXISTS ${KESTREL_GTEST_SOURCE}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${KESTREL_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  set(KESTREL_GTEST gtest gtest_main)
else()
  message(FATAL_ERROR "GoogleTest not found, neither installed nor its sources in ${KESTREL_GTEST_SOURCE}: "
                      "install it (Debian: libgtest-dev, or googletest for the Windows build), set "
                      "KESTREL_GTEST_SOURCE, or configure with -DKESTREL_TESTS=OFF")
endif()

add_library(kestrel_test_support STATIC ${CMAKE_SOURCE_DIR}/tests/support/support.cpp
            ${CMAKE_SOURCE_DIR}/tests/support/builders.cpp)
target_link_libraries(kestrel_test_support PUBLIC kestrel_icc kestrel_platform ${KESTREL_GTEST})
target_include_directories(kestrel_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests/support)
target_compile_definitions(kestrel_test_support PUBLIC
  KESTREL_FIXTURE_DIR="${CMAKE_SOURCE_DIR}/tests/fixtures")

# kestrel_unit_test(NAME DIR LIBRARY SOURCE...): the sources in tests/unit/DIR.
function(kestrel_unit_test name dir library)
  list(TRANSFORM ARGN PREPEND ${CMAKE_SOURCE_DIR}/tests/unit/${dir}/)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE kestrel_test_support ${library})
  add_test(NAME ${name} COMMAND ${name})
endfunction()

if(NOT WIN32)
  kestrel_unit_test(posix_tests posix kestrel_posix posix_files_test.cpp posix_text_test.cpp)
endif()
kestrel_unit_test(platform_tests platform kestrel_platform files_test.cpp path_test.cpp)
kestrel_unit_test(icc_tests icc kestrel_icc icc_test.cpp)
kestrel_unit_test(jpeg_tests jpeg kestrel_jpeg scan_jpeg_test.cpp)
kestrel_unit_test(pdf_tests pdf kestrel_pdf
  pdf_writer_test.cpp pdf_document_test.cpp pdf_image_test.cpp pdf_test_support.cpp)
kestrel_unit_test(driver_tests driver kestrel_driver
  next_argument_test.cpp natural_order_test.cpp output_path_test.cpp convert_image_test.cpp)

include(${CMAKE_SOURCE_DIR}/cmake/e2e.cmake)

# On Windows LoadString reads the test program's own resources: link the
# generated string table in (an object library keeps -W flags off windres).
if(WIN32 AND TARGET platform_tests)
  enable_language(RC)
  add_library(kestrel_test_strings OBJECT ${CMAKE_SOURCE_DIR}/tests/unit/platform/strings.rc)
  set_property(SOURCE ${CMAKE_SOURCE_DIR}/tests/unit/platform/strings.rc APPEND PROPERTY
               OBJECT_DEPENDS ${KESTREL_GENERATED_DIR}/string_table.rc)
  target_include_directories(kestrel_test_strings PRIVATE ${KESTREL_GENERATED_DIR})
  target_link_libraries(platform_tests PRIVATE kestrel_test_strings)
endif()

# The include graph of src/: no cycle, and every include down the layers.
if(NOT WIN32)
  add_test(NAME include_graph COMMAND python3 ${CMAKE_SOURCE_DIR}/scripts/check-includes ${CMAKE_SOURCE_DIR}/src)
endif()
