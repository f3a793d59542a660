# Micro-benchmarks (bench/micro.cpp, Google Benchmark): part of the Linux build
# whenever the library is installed; scripts/bench --micro runs them.
if(WIN32)
  return()
endif()
find_package(benchmark QUIET)
if(NOT benchmark_FOUND)
  message(STATUS "Google Benchmark not found: no kestrel_bench")
  return()
endif()

add_executable(kestrel_bench ${CMAKE_SOURCE_DIR}/bench/micro.cpp)
target_link_libraries(kestrel_bench PRIVATE kestrel_driver benchmark::benchmark)
target_compile_definitions(kestrel_bench PRIVATE KESTREL_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
