gimbal_add_test(cli_tests LABEL cli
  SOURCES cli/GimbalctlTest.cpp cli/ProgressViewTest.cpp cli/StationTest.cpp upgrade/FirmwareFiles.cpp
          ${PROJECT_SOURCE_DIR}/gimbalctl/ProgressView.cpp
  LIBS coretestmain)
add_dependencies(cli_tests gimbalctl)
target_compile_definitions(cli_tests PRIVATE GIMBALCTL_PATH="$<TARGET_FILE:gimbalctl>")
