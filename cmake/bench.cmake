# Micro-benchmarks (bench/*.cpp, Google Benchmark): part of the Linux build
# whenever the library is installed; scripts/bench --micro runs them.
if(WIN32)
  return()
endif()
find_package(benchmark QUIET)
if(NOT benchmark_FOUND)
  message(STATUS "Google Benchmark not found: no kestrel_bench")
  return()
endif()

file(GLOB kestrel_bench_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
if(NOT kestrel_bench_sources)
  return()
endif()
add_executable(kestrel_bench ${kestrel_bench_sources})
target_link_libraries(kestrel_bench PRIVATE kestrel_driver benchmark::benchmark)
target_compile_definitions(kestrel_bench PRIVATE KESTREL_DATA_DIR="${CMAKE_SOURCE_DIR}/data")
