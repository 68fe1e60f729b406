# The portable core is built by Emscripten in build/wasm, from this same
# source tree, whenever the main build runs (tests/wasm/CMakeLists.txt lists
# its tests), and its test binary runs under node. Skipped when Emscripten,
# node or the GoogleTest sources are missing.
find_program(GIMBAL_EMCC emcc)
find_program(GIMBAL_NODE NAMES node nodejs)
set(gtest_sources /usr/src/googletest/googletest)
if(GIMBAL_EMCC AND GIMBAL_NODE AND EXISTS ${gtest_sources})
  # Debian's emscripten finds its acorn module only through NODE_PATH when
  # node is not Debian's own.
  set(node_path NODE_PATH=/usr/share/nodejs)
  file(REAL_PATH ${GIMBAL_EMCC} emcc_real)
  get_filename_component(emscripten_root ${emcc_real} DIRECTORY)
  # nlohmann-json for the core, through a folder holding only it.
  set(header_only ${CMAKE_BINARY_DIR}/wasm-include)
  file(MAKE_DIRECTORY ${header_only})
  find_path(GIMBAL_JSON_INCLUDE nlohmann/json.hpp REQUIRED)
  file(CREATE_LINK ${GIMBAL_JSON_INCLUDE}/nlohmann ${header_only}/nlohmann SYMBOLIC)
  include(ExternalProject)
  ExternalProject_Add(wasm
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/wasm
    CONFIGURE_COMMAND ${CMAKE_COMMAND} -E env ${node_path}
      ${CMAKE_COMMAND} -S <SOURCE_DIR> -B <BINARY_DIR> -G ${CMAKE_GENERATOR}
      -DCMAKE_TOOLCHAIN_FILE=${emscripten_root}/cmake/Modules/Platform/Emscripten.cmake
      -DGIMBAL_WASM=ON -DCMAKE_BUILD_TYPE=MinSizeRel -DGIMBAL_GTEST_SOURCE_DIR=${gtest_sources}
      -DGIMBAL_HEADER_ONLY_INCLUDES=${header_only}
      -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    BUILD_COMMAND ${CMAKE_COMMAND} -E env ${node_path} ${CMAKE_COMMAND} --build .
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  add_test(NAME wasm.core_tests COMMAND ${GIMBAL_NODE} ${CMAKE_BINARY_DIR}/wasm/tests/wasm/core_tests.js)
  set_tests_properties(wasm.core_tests PROPERTIES LABELS wasm ENVIRONMENT ${node_path})
else()
  message(STATUS "Emscripten, node or /usr/src/googletest not found: no WebAssembly build or tests")
endif()

# The portable core's sources and the project headers they reach include only
# standard headers from the allow-list in check-portable-includes.cmake.
add_test(NAME wasm.portable_includes
  COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR}
          "-DSOURCES=$<TARGET_PROPERTY:gimbalportable,SOURCES>"
          -P ${CMAKE_CURRENT_SOURCE_DIR}/wasm/check-portable-includes.cmake)
set_tests_properties(wasm.portable_includes PROPERTIES LABELS wasm)
