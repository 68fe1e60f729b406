# The station's records in the factory's database: a PostgreSQL server of the
# test's own (Debian's postgresql, tests/support/PostgresServer.h).
file(GLOB GIMBAL_POSTGRES_BINS LIST_DIRECTORIES true /usr/lib/postgresql/*/bin)
if(NOT GIMBAL_POSTGRES_BINS)
  message(FATAL_ERROR "The records tests need Debian's postgresql: scripts/setup-deps.sh installs it")
endif()
list(SORT GIMBAL_POSTGRES_BINS COMPARE NATURAL ORDER DESCENDING)
list(GET GIMBAL_POSTGRES_BINS 0 GIMBAL_POSTGRES_BIN)

gimbal_add_test(records_tests LABEL records
  SOURCES records/RecordsTest.cpp support/PostgresServer.cpp upgrade/FirmwareFiles.cpp
  LIBS coretestmain)
add_dependencies(records_tests gimbalctl)
target_compile_definitions(records_tests PRIVATE GIMBALCTL_PATH="$<TARGET_FILE:gimbalctl>"
  POSTGRES_BIN="${GIMBAL_POSTGRES_BIN}" SOURCE_DIR="${PROJECT_SOURCE_DIR}")

# docs/FACTORY.md's set-up, station and report, run as written against a server of the test's own.
add_test(NAME records.factory_session
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/records/factory_session.py
          ${PROJECT_SOURCE_DIR}/docs/FACTORY.md ${CMAKE_BINARY_DIR} ${GIMBAL_POSTGRES_BIN})
set_tests_properties(records.factory_session PROPERTIES LABELS records TIMEOUT 120)
