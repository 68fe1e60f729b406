# gimbalctl.exe and the portable core's tests as Windows programs, run under
# wine in a prefix made once in the build folder (wine-prefix.sh). The tests
# take the prefix one at a time, and each ends the prefix's wine processes
# when done; windows.prefix_end checks that none is left.
find_program(GIMBAL_WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(GIMBALCTL_EXE AND GIMBAL_WINE64)
  set(prefix ${CMAKE_BINARY_DIR}/wineprefix)
  set(in_prefix ${CMAKE_CURRENT_LIST_DIR}/wine-prefix.sh ${GIMBAL_WINE64} ${prefix})
  set(one_at_a_time LABELS windows RESOURCE_LOCK wine_prefix)
  add_test(NAME windows.prefix COMMAND ${in_prefix} make)
  set_tests_properties(windows.prefix PROPERTIES ${one_at_a_time} FIXTURES_SETUP wine_prefix)
  add_test(NAME windows.prefix_end COMMAND ${in_prefix} end)
  set_tests_properties(windows.prefix_end PROPERTIES ${one_at_a_time} FIXTURES_CLEANUP wine_prefix)

  foreach(exe core_tests windows/windows_line_tests)
    get_filename_component(name ${exe} NAME)
    add_test(NAME windows.${name}
      COMMAND ${in_prefix} run ${GIMBAL_WINE64} ${CMAKE_BINARY_DIR}/windows/tests/${exe}.exe)
    set_tests_properties(windows.${name} PROPERTIES ${one_at_a_time} FIXTURES_REQUIRED wine_prefix)
  endforeach()

  # The zip to hand out holds the program, its README and the licence.
  add_test(NAME windows.zip COMMAND sh -c
    "${CMAKE_COMMAND} -E tar tf ${CMAKE_BINARY_DIR}/windows/gimbalctl-${PROJECT_VERSION}-windows-x64.zip | sort | tr '\\n' ' '")
  set_tests_properties(windows.zip PROPERTIES LABELS windows PASS_REGULAR_EXPRESSION
    "/LICENSE.txt [^ ]*/README.txt [^ ]*/gimbalctl.exe ")

  add_executable(wine_gimbalctl_tests windows/WineGimbalctlTest.cpp upgrade/FirmwareFiles.cpp)
  target_link_libraries(wine_gimbalctl_tests PRIVATE coretestmain GTest::gtest)
  target_compile_definitions(wine_gimbalctl_tests PRIVATE
    WINE64_PATH="${GIMBAL_WINE64}" GIMBALCTL_EXE_PATH="${GIMBALCTL_EXE}" WINE_PREFIX="${prefix}"
    GIMBALCTL_LINUX_PATH="$<TARGET_FILE:gimbalctl>")
  add_dependencies(wine_gimbalctl_tests windows gimbalctl)
  find_program(GIMBAL_MAKENSIS makensis)  # as the Windows build does
  if(GIMBAL_MAKENSIS)
    set(installer ${CMAKE_BINARY_DIR}/windows/gimbalctl-${PROJECT_VERSION}-windows-x64-setup.exe)
    target_compile_definitions(wine_gimbalctl_tests PRIVATE GIMBALCTL_INSTALLER_PATH="${installer}")
  endif()
  gtest_discover_tests(wine_gimbalctl_tests TEST_PREFIX windows.
    PROPERTIES ${one_at_a_time} FIXTURES_REQUIRED wine_prefix
    DISCOVERY_TIMEOUT 30)
else()
  message(STATUS "gimbalctl.exe or wine64 missing: no Windows tests")
endif()
