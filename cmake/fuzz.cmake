# Fuzz targets for the code that reads untrusted input, and in every test build
# replay programs that run their committed corpus and regressions.

# With KESTREL_FUZZ (clang only) the targets are libFuzzer programs and all our
# code is built with coverage, AddressSanitizer and UndefinedBehaviorSanitizer.
option(KESTREL_FUZZ "Build the libFuzzer targets (clang, ASan, UBSan)" OFF)

# target name, then the library it exercises
set(KESTREL_FUZZ_TARGETS
  scan_jpeg kestrel_jpeg
  icc_profile kestrel_icc
  next_argument kestrel_driver
  pdf_encode_text kestrel_pdf)

set(fuzz_dir ${CMAKE_SOURCE_DIR}/fuzz)

if(KESTREL_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KESTREL_FUZZ needs clang (use the fuzz preset)")
  endif()
  # Through the interface every library of ours links, so the code under test
  # carries the coverage hooks; a sanitizer report must stop the run.
  target_compile_options(kestrel_warnings INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
  target_link_options(kestrel_warnings INTERFACE -fsanitize=address,undefined)
endif()

set(fuzz_list ${KESTREL_FUZZ_TARGETS})
while(fuzz_list)
  list(POP_FRONT fuzz_list name library)
  if(KESTREL_FUZZ)
    add_executable(fuzz_${name} ${fuzz_dir}/${name}.cpp ${fuzz_dir}/fuzz_input.cpp)
    target_link_libraries(fuzz_${name} PRIVATE ${library})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  endif()
  if(KESTREL_TESTS)
    add_executable(replay_${name} ${fuzz_dir}/${name}.cpp ${fuzz_dir}/fuzz_input.cpp
                                  ${fuzz_dir}/replay_main.cpp)
    target_link_libraries(replay_${name} PRIVATE ${library})
    add_test(NAME fuzz_replay_${name}
             COMMAND replay_${name} ${fuzz_dir}/corpus/${name} ${fuzz_dir}/regressions/${name})
  endif()
endwhile()
