# One static library per folder of src/. Its headers are reachable as
# "<folder>/Header.h" only by targets that link it: each library publishes a
# private include root that holds a single link to its own folder, so an
# #include of a layer a target does not depend on fails to compile.
function(balvek_library name)
  cmake_parse_arguments(ARG "" "" "PUBLIC;PRIVATE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  set(root ${PROJECT_BINARY_DIR}/include/${name})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${name} SYMBOLIC)
  add_library(balvek_${name} STATIC ${sources})
  target_include_directories(balvek_${name} PUBLIC ${root})
  target_link_libraries(balvek_${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
endfunction()

# A GoogleTest executable from every .cpp of the current tests/ folder. Tests
# that read diagnostic lines bind 127.0.0.1:514 and skip when it is taken, so
# the test processes share that port as a resource instead of racing for it.
function(balvek_test name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(test_${name} ${sources})
  target_include_directories(test_${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(test_${name} PRIVATE ${ARGN} GTest::gtest_main GTest::gmock)
  gtest_discover_tests(test_${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT 600 LABELS ${name} RESOURCE_LOCK log_port)
endfunction()

# A Google Benchmark executable from one source file.
function(balvek_bench name source)
  add_executable(bench_${name} ${source})
  target_link_libraries(bench_${name} PRIVATE ${ARGN} benchmark::benchmark)
endfunction()
