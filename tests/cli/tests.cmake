# The releases' tests serve a folder on a loopback port.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
gimbal_add_test(cli_tests LABEL cli
  SOURCES cli/CommandHelpTest.cpp cli/GimbalctlTest.cpp cli/ProgressViewTest.cpp cli/StationTest.cpp cli/UnitSourceTest.cpp
           cli/ReleasesTest.cpp cli/TranslationTest.cpp cli/FilledTextTest.cpp
          upgrade/FirmwareFiles.cpp ${PROJECT_SOURCE_DIR}/unitupgrade/ProgressView.cpp
          ${PROJECT_SOURCE_DIR}/unitupgrade/Translation.cpp
          ${PROJECT_SOURCE_DIR}/station/UdevUnitSource.cpp
  LIBS coretestmain PkgConfig::HTTPLIB)
add_dependencies(cli_tests gimbalctl)
if(TARGET translations)
  add_dependencies(cli_tests translations)
endif()
target_compile_definitions(cli_tests PRIVATE GIMBALCTL_PATH="$<TARGET_FILE:gimbalctl>")

# The example sessions of README.md and docs/*.md run as shown, one after
# another, and the README's exit status table is gimbalctl's.
add_test(NAME cli.readme_session
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/cli/readme_session.py
          ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs
          ${CMAKE_BINARY_DIR} $<TARGET_FILE:exit-statuses>)
set_tests_properties(cli.readme_session PROPERTIES LABELS cli TIMEOUT 180 ENVIRONMENT LANGUAGE=en)
