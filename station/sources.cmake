# The production station (gimbalctl station): its bookkeeping, journal and
# options on every system; each system's way of finding units (UnitSource.h) beside them.
# The records report (gimbalctl records) reads a journal everywhere and the
# factory's database on Linux, where the station sends its records there too.
set(GIMBAL_STATION_SHARED_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/SlotLabels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Station.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationLog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StationOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordReport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordsCommand.cpp
)
set(GIMBAL_STATION_LINUX_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/LinuxStation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FolderUnitSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UdevUnitSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PortSettle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordDatabase.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RecordSender.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OperatorScreen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScreenFeed.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScreenGate.cpp
)
# The operator's screen's files (Linux), built into gimbalctl by
# screen/embed.cmake: the page, and the tool's page's style and icon.
set(GIMBAL_SCREEN_FILES
  ${CMAKE_CURRENT_LIST_DIR}/screen/index.html
  ${CMAKE_CURRENT_LIST_DIR}/screen/screen.css
  ${CMAKE_CURRENT_LIST_DIR}/screen/screen.js
  ${CMAKE_CURRENT_LIST_DIR}/../web/site/style.css
  ${CMAKE_CURRENT_LIST_DIR}/../web/site/i18n.js
  ${CMAKE_CURRENT_LIST_DIR}/../packaging/gimbal-tool.svg
)
set(GIMBAL_SCREEN_EMBED ${CMAKE_CURRENT_LIST_DIR}/screen/embed.cmake)
set(GIMBAL_STATION_WINDOWS_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/windows/WindowsStation.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/ComUnitSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/windows/NoDatabase.cpp
)

# The database's schema, kept as SQL that a database administrator can read
# and apply, built into the station.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/units-schema.sql)
file(READ ${CMAKE_CURRENT_LIST_DIR}/units-schema.sql UNITS_SCHEMA_SQL)
configure_file(${CMAKE_CURRENT_LIST_DIR}/UnitsSchema.h.in
               ${CMAKE_BINARY_DIR}/generated/station/UnitsSchema.h @ONLY)
