# gimbalctl.exe, cross-built by mingw-w64 in build/windows from this same
# source tree whenever the main build runs, with its zip and installer
# (CPack) and the portable core's tests as a Windows program; tests/windows
# runs them under wine. Skipped when the cross compiler is missing.
find_program(GIMBAL_MINGW_CXX x86_64-w64-mingw32-g++-posix)
find_path(GIMBAL_CLI11_INCLUDE CLI/CLI.hpp)
find_path(GIMBAL_JSON_INCLUDE nlohmann/json.hpp)
set(gtest_sources /usr/src/googletest/googletest)
if(GIMBAL_MINGW_CXX AND GIMBAL_CLI11_INCLUDE AND GIMBAL_JSON_INCLUDE AND EXISTS ${gtest_sources})
  set(header_only ${CMAKE_BINARY_DIR}/windows-include)
  file(MAKE_DIRECTORY ${header_only})
  file(CREATE_LINK ${GIMBAL_CLI11_INCLUDE}/CLI ${header_only}/CLI SYMBOLIC)
  file(CREATE_LINK ${GIMBAL_JSON_INCLUDE}/nlohmann ${header_only}/nlohmann SYMBOLIC)
  # The zip's README.txt, given the Windows exit statuses by the host's exit-statuses.
  set(readme ${CMAKE_BINARY_DIR}/windows-readme/README.txt)
  set(template ${CMAKE_CURRENT_LIST_DIR}/README.txt)
  add_custom_command(OUTPUT ${readme}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:exit-statuses> -DTEMPLATE=${template}
            -DOUTPUT=${readme} -P ${CMAKE_CURRENT_LIST_DIR}/fill-readme.cmake
    DEPENDS exit-statuses ${template} ${CMAKE_CURRENT_LIST_DIR}/fill-readme.cmake VERBATIM)
  add_custom_target(windows-readme DEPENDS ${readme})
  include(ExternalProject)
  ExternalProject_Add(windows
    DEPENDS windows-readme
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/windows
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake
      -DGIMBAL_WINDOWS=ON -DCMAKE_BUILD_TYPE=MinSizeRel
      -DGIMBAL_HEADER_ONLY_INCLUDES=${header_only}
      -DGIMBAL_WINDOWS_README=${readme}
      -DGIMBAL_GTEST_SOURCE_DIR=${gtest_sources}
      -DCMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    BUILD_COMMAND ${CMAKE_COMMAND} --build . && ${CMAKE_COMMAND} -E chdir . cpack -C MinSizeRel
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON)
  set(GIMBALCTL_EXE ${CMAKE_BINARY_DIR}/windows/gimbalctl.exe)
else()
  message(STATUS "mingw-w64, CLI11, nlohmann-json or /usr/src/googletest not found: no gimbalctl.exe")
endif()
