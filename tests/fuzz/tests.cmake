# The fuzz targets need clang's libFuzzer and run under the address and
# undefined-behaviour sanitizers, so they are built by clang in build/fuzz,
# from this same source tree, whenever the main build runs. Each runs for a
# short fixed time in the suite (FUZZ_SECONDS overrides it).
find_program(GIMBAL_CLANGXX NAMES clang++ clang++-14)
if(GIMBAL_CLANGXX AND NOT GIMBAL_SANITIZE)
  include(ExternalProject)
  ExternalProject_Add(fuzzers
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/fuzz
    CMAKE_ARGS -DCMAKE_CXX_COMPILER=${GIMBAL_CLANGXX} -DGIMBAL_FUZZ=ON
               -DCMAKE_BUILD_TYPE=RelWithDebInfo
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  foreach(target parser firmware)
    add_test(NAME fuzz.${target}
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/run-fuzzer.sh
              ${CMAKE_BINARY_DIR}/fuzz/tests/fuzz/${target}_fuzzer
              ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/corpus/${target})
    set_tests_properties(fuzz.${target} PROPERTIES LABELS fuzz TIMEOUT 300)
  endforeach()
endif()
