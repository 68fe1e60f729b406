# gimbalctl.exe and the portable core's tests as Windows programs, run under
# wine in a prefix made once in the build folder (make-prefix.sh).
find_program(GIMBAL_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(GIMBALCTL_EXE AND GIMBAL_WINE64)
  set(prefix ${CMAKE_BINARY_DIR}/wineprefix)
  set(wine_env WINEPREFIX=${prefix} WINEDEBUG=-all)
  add_test(NAME windows.prefix
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/make-prefix.sh ${GIMBAL_WINE64} ${prefix})
  set_tests_properties(windows.prefix PROPERTIES LABELS windows FIXTURES_SETUP wine_prefix)

  foreach(exe core_tests windows/windows_line_tests)
    get_filename_component(name ${exe} NAME)
    add_test(NAME windows.${name} COMMAND ${GIMBAL_WINE64} ${CMAKE_BINARY_DIR}/windows/tests/${exe}.exe)
    set_tests_properties(windows.${name} PROPERTIES LABELS windows
      ENVIRONMENT "${wine_env}" FIXTURES_REQUIRED wine_prefix)
  endforeach()

  # The zip to hand out holds the program, its README and the licence.
  add_test(NAME windows.zip COMMAND sh -c
    "${CMAKE_COMMAND} -E tar tf ${CMAKE_BINARY_DIR}/windows/gimbalctl-${PROJECT_VERSION}-windows-x64.zip | sort | tr '\\n' ' '")
  set_tests_properties(windows.zip PROPERTIES LABELS windows PASS_REGULAR_EXPRESSION
    "/LICENSE.txt [^ ]*/README.txt [^ ]*/gimbalctl.exe ")

  add_executable(wine_gimbalctl_tests windows/WineGimbalctlTest.cpp upgrade/FirmwareFiles.cpp)
  target_link_libraries(wine_gimbalctl_tests PRIVATE coretestmain GTest::gtest)
  target_compile_definitions(wine_gimbalctl_tests PRIVATE
    WINE64_PATH="${GIMBAL_WINE64}" GIMBALCTL_EXE_PATH="${GIMBALCTL_EXE}" WINE_PREFIX="${prefix}")
  add_dependencies(wine_gimbalctl_tests windows)
  gtest_discover_tests(wine_gimbalctl_tests TEST_PREFIX windows.
    PROPERTIES LABELS windows FIXTURES_REQUIRED wine_prefix
    DISCOVERY_TIMEOUT 30)
else()
  message(STATUS "gimbalctl.exe or wine64 missing: no Windows tests")
endif()
